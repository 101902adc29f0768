// Changes to the page list, each protected by a full backup that is reloaded when the
// engine step fails; rotation of the current page; the page menu's items.
#pragma once

#include <string>
#include <vector>

bool MergePdf(int insertPosition);  // < 0 appends
bool InsertBlankPage(int position);
bool DeleteCurrentPage();
bool MovePage(int from, int to);
bool RotateCurrentPage(int quarterTurns);  // +1 clockwise, -1 anticlockwise
bool ReloadFromBackup(const std::u16string& backupPath, int pageIndex, bool modified);

struct PageMenuItem {
  int command;  // from the command table (app/command_ids.h)
  std::u16string text;
  bool enabled;
};

// The items of the navigator's page menu for the open document.
std::vector<PageMenuItem> PageMenuItems();
