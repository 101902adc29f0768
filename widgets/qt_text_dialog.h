// The shared text dialog of adding, editing and watermark text, on Qt.
#pragma once

#include "platform/platform_seam.h"

class QDialog;
class QWidget;

// Object names of the dialog's fields, for the keyboard placement and for tests.
constexpr const char* kTextDialogTextName = "CorvanTextDialogText";
constexpr const char* kTextDialogSizeName = "CorvanTextDialogSize";
constexpr const char* kTextDialogOkName = "CorvanTextDialogOk";

// The dialog for a request, not yet shown: its OK button checks the fields and, when they
// pass, writes the text and size into `request` and accepts. `request` must outlive it.
QDialog* BuildTextDialog(QWidget* owner, TextDialogRequest& request);
// Runs the dialog modally; false when cancelled.
bool RunTextDialog(QWidget* owner, TextDialogRequest& request);
