// Work that may take long (a scanner reading a page) runs on a worker thread while this thread
// keeps the window alive behind the progress box.
#pragma once

#include <functional>
#include <string>

// Runs `work` on a worker thread and waits for it with the busy box `text` up. When the user
// presses 取消, `cancel` is called once from this thread and the wait goes on until `work`
// returns. True when 取消 was pressed.
bool RunWhileBusy(const std::u16string& text, const std::function<void()>& work, const std::function<void()>& cancel);
