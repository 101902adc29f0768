// PNG decoding for the engine-side code, with Qt's image reader.
#pragma once

#include "platform/platform_seam.h"

DecodedImage DecodePngWithQt(const std::vector<uint8_t>& bytes);
// Fills the seam's decoder (the real one also under a scripted seam: decoding is not a dialog).
void InstallQtImageDecoder();
