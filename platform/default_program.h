// Handing a file to the desktop's default program through xdg-open.
#pragma once

#include <string>

// False when xdg-open is missing, cannot start or reports within a few seconds that it found
// no program (a non-zero exit). One still running by then has started a program in its place.
bool OpenWithDefaultProgram(const std::u16string& path);
