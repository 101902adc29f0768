// The shape property panel's logic: when it shows, which layout, parsing what is typed into
// it, and what its buttons and the pen options window do to the selection and the pen.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "view/page_view.h"

enum class PanelLayout { Point, Rectangle, Triangle, Segment, Line };

// Shown when asked for, not for a coordinate system, and in the edit tool with a drawn
// object selected or else while a drawn object is selected or lines are being drawn.
bool ShapePanelVisible();
PanelLayout CurrentPanelLayout();
// Puts the layout's visibility into the window layout; true when it changed.
bool UpdatePanelShown();

// A decimal number followed by nothing but blanks and tabs ("cm" first when allowed, any case).
std::optional<double> ParsePanelNumber(const std::u16string& text, bool centimetreSuffix = false);
// "%.2f"
std::u16string FormatTwoPlaces(double value);

// Each returns false when the text was refused (a warning was shown; the edit keeps focus).
bool ApplyWidth(const std::u16string& text);
bool ApplyLength(const std::u16string& text);
bool ApplySideLength(int row, const std::u16string& text);
// The side lengths of the selected rectangle or triangle in cm with their names; nothing
// when they cannot be read.
struct SideRows {
  std::array<std::u16string, 4> names;
  std::array<double, 4> lengths{};
  int count = 0;
};
std::optional<SideRows> SelectedSideRows();
// "a%u、b%u…" for the selected labelled segment or rectangle; empty without a label number.
std::u16string SelectedCornerNames();

// The length the panel's length box shows: the selected object's own length in cm (0 when it
// cannot be measured), or the fixed length of later lines when nothing is selected.
double ShownLengthCm();

// A dragged arrow or segment's end: exactly `lengthCm` from the start towards the pointer
// while it is set (the pointer itself when 0 or when either point is off the page).
ScreenPoint FixedLengthEnd(ScreenPoint start, ScreenPoint pointer);

// Pen options window: palette index under a point of the window (−1 between circles) and
// the width the slider gives at x.
int PaletteIndexAt(int x, int y);
int SliderWidthAt(int x);
// Recolours the selection (when there is one) and makes the colour the drawing colour.
void ChoosePenColour(uint32_t rgb);

constexpr int kPanelWidth = 240;
