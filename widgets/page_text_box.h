// The in-place text box of the text tool: opened by a click on the page, with a row of font,
// size and colour controls; Ctrl+Enter or losing the focus adds the text, Esc discards it.
#pragma once

#include "view/page_view.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// Text-mode clicks on the page open the box on this canvas.
void InstallTextTool(QWidget* canvas);
// A click in text mode on the page (client pixels of `canvas`): opens the box, or gives an
// open box the focus back.
void OpenTextBox(QWidget* canvas, ScreenPoint click);
// `commit` adds the text (Ctrl+Enter, focus loss); false discards it (Esc). Nothing happens
// when no box is open; a failed check keeps the box open.
void FinishTextBox(bool commit);

// The open box and its controls, or null.
QPlainTextEdit* TextBoxEditor();
QComboBox* TextBoxFontList();
QLineEdit* TextBoxSizeField();
QPushButton* TextBoxColourButton();
