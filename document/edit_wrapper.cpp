#include "document/edit_wrapper.h"

#include "document/session.h"
#include "platform/platform_seam.h"

namespace {

std::optional<EditScope> g_drag;
int g_openScopes = 0;

EditScope Capture() {
  EditScope scope;
  if (g_session.document == nullptr) return scope;
  scope.attempted = true;
  scope.record = CaptureRecord();
  scope.generation = EditGeneration();
  return scope;
}

// The scope is emptied before anything is shown: a warning box deactivates the window, and
// the deactivation settles a held drag again from inside this call.
void Settle(EditScope& scope) {
  if (!scope.attempted) return;
  scope.attempted = false;
  std::optional<SnapshotRecord> record = std::move(scope.record);
  scope.record.reset();
  if (EditGeneration() != scope.generation) {
    // No record, or one too large for the disk budget: the user hears the step is lost.
    bool kept = record && PushUndo(std::move(*record));
    if (!kept) ShowMessage(kUndoUnavailableCaption, kUndoUnavailableText, MessageIcon::Warning);
  } else if (record) {
    DropRecord(*record);
  }
}

}  // namespace

EditScope BeginPossibleEdit() {
  EditScope scope = g_openScopes == 0 ? Capture() : EditScope{};
  scope.open = true;
  ++g_openScopes;
  return scope;
}

void EndPossibleEdit(EditScope& scope) {
  if (scope.open) --g_openScopes;
  scope.open = false;
  Settle(scope);
}

void BeginDragEdit() {
  // A record still held (its release never came) is settled, not thrown away.
  EndDragEdit();
  if (g_session.document == nullptr) return;
  g_drag = Capture();
}

void EndDragEdit() {
  if (!g_drag) return;
  EditScope drag = std::move(*g_drag);
  g_drag.reset();
  Settle(drag);
}

bool DragEditHeld() { return g_drag.has_value(); }

void DropDragEdit() {
  if (g_drag && g_drag->record) DropRecord(*g_drag->record);
  g_drag.reset();
}
