// PNG decoding and JPEG encoding for the engine-side code, with Qt's image reader and writer.
#pragma once

#include <QImage>
#include <optional>

#include "platform/platform_seam.h"

DecodedImage DecodePngWithQt(const std::vector<uint8_t>& bytes);
// Any Qt image as packed BGRA rows with straight alpha; nothing for an empty image.
std::optional<BgraPicture> BgraPictureOf(const QImage& image);
std::vector<uint8_t> EncodeJpegWithQt(const uint8_t* bgrx, int width, int height, int stride, bool grey);
// Fills the seam's codec (the real one also under a scripted seam: coding is not a dialog).
void InstallQtImageCodec();
