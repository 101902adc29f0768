// Deleting the selected drawn objects with the labels that belonged to them.
#pragma once

// Deletes the single selection; nothing without one.
void DeleteSelected();
// Deletes the group, or else the single selection; true when nothing is left selected.
// Members that cannot be removed stay selected as the group.
bool DeleteSelection();
