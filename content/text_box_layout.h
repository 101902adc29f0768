// Where the in-place text box and its row of controls go for a click on the page.
#pragma once

#include <optional>

#include "geometry/points.h"

struct TextBoxLayout {
  IntRect box;          // the text box, client pixels
  ScreenPoint row;      // top-left of the control row
  int previewHeight = 1;  // pixel height of the preview font
};

// Display scale × size, rounded, at least 1; scale 1 when a page dimension is not positive.
int PreviewPixelHeight(const IntRect& pageRect, float pageWidth, float pageHeight, float size);
// The box for a click; nothing when it would be 39 pixels wide or 23 high or less.
std::optional<TextBoxLayout> LayoutTextBox(const IntRect& pageRect, ScreenPoint click, float pageWidth,
                                           float pageHeight, float size);
// The box's height after the preview font changed (its top stays).
int TextBoxHeight(const IntRect& pageRect, int boxTop, int previewHeight);

// Offsets of the five controls from the row's top-left: label, font list, label, size, colour.
constexpr int kRowFontLabelX = 0, kRowFontListX = 32, kRowSizeLabelX = 145, kRowSizeFieldX = 185, kRowColourX = 246;
constexpr int kRowWidth = 316;
