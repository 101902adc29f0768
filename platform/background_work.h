// Work that may take long (a scanner reading a page) runs on a worker thread while this thread
// keeps the window alive behind the progress box.
#pragma once

#include <functional>
#include <string>

// Runs `work` on a worker thread and waits for it with the busy box `text` up. When the user
// presses 取消, `cancel` is called once from this thread and the wait goes on until `work`
// returns. True when 取消 was pressed.
bool RunWhileBusy(const std::u16string& text, const std::function<void()>& work, const std::function<void()>& cancel);

// A run of counted steps (a page each) done on this thread, in slices between turns of the
// event loop, with the progress box up. A slice takes steps until the seam's slice time has
// passed, then the box shows `progress(done, total)` and the window gets its turn. `step`
// returns false to stop the run (it failed). What happened:
enum class SlicedRunEnd { Finished, Stopped, Cancelled };
SlicedRunEnd RunInSlices(int total, const std::function<bool(int index)>& step,
                         const std::function<std::u16string(int done, int total)>& progress);
