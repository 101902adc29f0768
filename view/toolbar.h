// The toolbar's buttons: place, label, whether enabled and whether shown as active.
#pragma once

#include <string>
#include <vector>

struct ToolbarButton {
  int id;
  std::u16string label;
  int x;  // the band is 40 high; every button is 44 × 40
  bool dropMarker;
};

constexpr int kToolbarButtonWidth = 44;

const std::vector<ToolbarButton>& ToolbarButtons();
// x of the two group separator lines (drawn from y 9 to 31).
std::vector<int> ToolbarSeparators();
std::u16string ToolbarButtonLabel(const ToolbarButton& button);
bool ToolbarButtonEnabled(int id);
bool ToolbarButtonActive(int id);
// The id of the button at a client point, 0 when none (or in full screen).
int ToolbarButtonAt(int x, int y);
