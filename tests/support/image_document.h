// A scan-like document: pages that each hold one photograph of noise (which no filter can
// shrink), made with the engine itself. Shared by tests and benchmarks.
#pragma once

#include <string>

// Writes `pages` A4 pages, each with a width × height BGRA noise image; false on failure.
bool WriteNoiseImagePdf(const std::string& path, int pages, int width, int height);
