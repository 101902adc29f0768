// The status line's text: page, mode hint, unsaved mark and the transient message.
#pragma once

#include <string>

std::u16string ModeText();
std::u16string StatusLineText();
