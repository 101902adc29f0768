// The OCR result dialog: the recognised text, editable, with 复制 and 关闭 (Esc closes too).
#pragma once

#include <string>

class QWidget;

void ShowOcrResultDialog(QWidget* owner, const std::u16string& text);
