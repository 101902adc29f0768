// Changes to the page list, each protected by a full backup that is reloaded when the
// engine step fails; rotation of the current page.
#pragma once

#include <string>

bool MergePdf(int insertPosition);  // < 0 appends
bool InsertBlankPage(int position);
bool DeleteCurrentPage();
bool MovePage(int from, int to);
bool RotateCurrentPage(int quarterTurns);  // +1 clockwise, -1 anticlockwise
bool ReloadFromBackup(const std::u16string& backupPath, int pageIndex, bool modified);
