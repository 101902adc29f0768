// Window-side pieces of the editing tools: the drawn object's right-click menu and the
// Delete key.
#pragma once

// Installs the edit tool's context menu the pointer dispatch shows over drawn objects.
void InstallDrawnObjectMenu();
// The Delete key on the page: deletes the drawn selection as one undo step.
void OnDeleteKey();
