#include "platform/background_work.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/platform_seam.h"

bool RunWhileBusy(const std::u16string& text, const std::function<void()>& work, const std::function<void()>& cancel) {
  std::atomic<bool> finished{false};
  BeginBusy(text);
  std::thread worker([&] {
    work();
    finished = true;
  });
  bool cancelled = false;
  // The box is asked at least once, so a 取消 pressed as it opened counts even when the work
  // was quicker than the first look.
  do {
    if (PumpBusy() && !cancelled) {
      cancelled = true;
      if (cancel) cancel();
    }
    if (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (!finished);
  worker.join();
  EndBusy();
  return cancelled;
}

SlicedRunEnd RunInSlices(int total, const std::function<bool(int index)>& step,
                         const std::function<std::u16string(int done, int total)>& progress) {
  const auto sliceTime = std::chrono::milliseconds(g_platform.sliceMs);
  BeginBusy(progress(0, total));
  ShowBusyProgress(progress(0, total), 0, total);
  SlicedRunEnd end = SlicedRunEnd::Finished;
  int done = 0;
  // The box is asked before every slice, the first included: a 取消 pressed as it opened
  // stops the run before it changed anything.
  while (done < total) {
    if (PumpBusy()) {
      end = SlicedRunEnd::Cancelled;
      break;
    }
    auto sliceStart = std::chrono::steady_clock::now();
    bool failed = false;
    do {
      if (!step(done)) {
        failed = true;
        break;
      }
      ++done;
    } while (done < total && std::chrono::steady_clock::now() - sliceStart < sliceTime);
    if (failed) {
      end = SlicedRunEnd::Stopped;
      break;
    }
    ShowBusyProgress(progress(done, total), done, total);
  }
  EndBusy();
  return end;
}
