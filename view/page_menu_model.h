// The navigator's page menu as entries: command, text and whether it can run now.
#pragma once

#include <string>
#include <vector>

struct PageMenuItem {
  int command;  // from the command table (view/command_ids.h)
  std::u16string text;
  bool enabled;
};

// The items of the navigator's page menu for the open document.
std::vector<PageMenuItem> PageMenuItems();
