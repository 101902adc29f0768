// "添加水印..." and "删除水印": the whole-document watermark commands as the window runs them
// (dialog, messages, status line). Each run that changes pages is one undo step.
#pragma once

void AddWatermarkCommand();
void RemoveWatermarksCommand();
