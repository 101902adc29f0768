// The undo wrapper put around every input that may edit: a snapshot before, kept as an undo
// record when the edit generation moved and deleted when it did not. A left-button drag is
// held as one record from the press to the release.
#pragma once

#include <cstdint>
#include <optional>

#include "document/undo_history.h"

struct EditScope {
  bool open = false;       // counts towards the scopes in progress
  bool attempted = false;  // the outermost scope with a document open: a capture was tried
  std::optional<SnapshotRecord> record;
  uint64_t generation = 0;
};

// Scopes nest: a command routed from inside another wrapped input (a context menu's item,
// a toolbar pop-up's choice) belongs to the outer scope's one undo step.
EditScope BeginPossibleEdit();
void EndPossibleEdit(EditScope& scope);

// Left press that can start a drag edit: settles any held record, then captures a new one.
void BeginDragEdit();
// Release, capture loss or cancel (and a press whose release never came): keeps the held
// record if the drag edited, else deletes it.
void EndDragEdit();
bool DragEditHeld();
// At exit: a held record's file is deleted.
void DropDragEdit();

constexpr const char16_t* kUndoUnavailableCaption = u"撤销记录不可用";
constexpr const char16_t* kUndoUnavailableText = u"本次编辑已完成，但无法创建撤销记录。";
