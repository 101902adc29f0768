// Start-up and shutdown of the editor, in their fixed order.
#pragma once

#include <QStringList>

class MainWindow;

// After the engine is loaded: the main window with a blank document in Pen mode, shown
// maximised, then the first argument opened (without an unsaved-changes question).
MainWindow* StartEditorWindow(const QStringList& arguments);
// Page, fonts, document, CVN reader, held drag record, undo/redo files, conversion
// leftovers, render cache, engine.
void ShutdownEditor();
// The whole program: exit code 1 when the engine is missing.
int RunEditor(int argc, char** argv);
