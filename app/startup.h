// Start-up and shutdown of the editor, in their fixed order.
#pragma once

#include <QStringList>
#include <optional>

class MainWindow;

// After the engine is loaded: the main window with a blank document in Pen mode, shown
// maximised, then the first argument opened (without an unsaved-changes question), then
// the offer to recover what a run that did not end normally left unsaved.
MainWindow* StartEditorWindow(const QStringList& arguments);
// Page, fonts, document, CVN reader, held drag record, undo/redo files, conversion
// leftovers, render cache, this run's recovery files (kept after a termination signal), engine.
void ShutdownEditor();
// The application-wide font and Qt's Chinese translation (dialogs and standard buttons).
void PrepareApplication();
// "--help" and "--version": the text is printed and the exit code returned; nothing for
// any other command line.
std::optional<int> AnswerInformationRequest(int argc, char** argv);
// The whole program: exit code 1 when the engine is missing.
int RunEditor(int argc, char** argv);
