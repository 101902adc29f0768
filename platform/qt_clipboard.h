// The clipboard through Qt: the editor's picture as PNG (alpha kept), as a Qt image and as a
// BMP with a version-5 header, beside its size record; pictures of other programs from PNG,
// from BMP/DIB (read by the editor's own bounded reader) or as any image Qt holds.
#pragma once

constexpr const char* kImageSizeMimeType = "application/x-corvan-pdf-image-size-v1";

void InstallQtClipboard();
