// The page's words in 手形 and 选择文字: the right mouse menu (选择文字, 复制) and the
// translucent selection painted over the glyphs.
#pragma once

class QPainter;

void InstallPageTextMenu();
void PaintPageTextSelection(QPainter& painter);
