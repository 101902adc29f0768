// The clipboard through Qt: the editor's picture as PNG (alpha kept), as a Qt image and as a
// BMP with a version-5 header, beside its size record; pictures of other programs only from
// PNG or from BMP/DIB (read by the editor's own bounded reader).
#pragma once

#include <optional>

#include "platform/platform_seam.h"

class QMimeData;

constexpr const char* kImageSizeMimeType = "application/x-corvan-pdf-image-size-v1";

void InstallQtClipboard();
// The picture and size record of what a program offers; nothing when no offered format
// decodes.
std::optional<ClipboardPicture> ClipboardPictureOf(const QMimeData& data);
