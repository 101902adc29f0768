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
  while (!finished) {
    if (PumpBusy() && !cancelled) {
      cancelled = true;
      if (cancel) cancel();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  worker.join();
  EndBusy();
  return cancelled;
}
