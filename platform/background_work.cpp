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
