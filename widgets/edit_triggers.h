// Inputs other than commands and left drags that may edit the document, so the undo wrapper
// takes its snapshot before them. Editors that come later name their widgets with these
// object names and inherit the wrapping.
#pragma once

class QObject;
class QEvent;

constexpr const char* kInPlaceTextEditorName = "CorvanInPlaceTextEditor";  // Ctrl+Enter commits
constexpr const char* kLengthBoxName = "CorvanLengthBox";  // Enter applies a side length

// A context menu, right-button release, Delete, Ctrl+Enter, double-click on page text, or
// Enter in a length box, as the undo wrapper sees them.
bool InputMayEdit(QObject* receiver, QEvent* event);
// Lost pointer grab or a cancelled interaction: a held drag record is settled then.
bool InputEndsDrag(QObject* receiver, QEvent* event);
