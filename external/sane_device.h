// Scanners through SANE: listing devices and reading one page from a device. Every call here
// may block for seconds; the caller runs them on a worker thread (platform/background_work.h)
// and cancels a page from the window's thread.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "external/scan_pages.h"

// SANE's status values, as the messages name them.
constexpr int kSaneGood = 0;
constexpr int kSaneCancelled = 2;
constexpr int kSaneInvalid = 4;
constexpr int kSaneIoError = 9;
constexpr int kSaneNoMemory = 10;

struct ScannerDevice {
  std::string name;       // what sane_open takes
  std::u16string label;   // vendor and model, for the device list
};

// sane_init; a SANE status.
int StartSane();
void StopSane();
// The devices SANE finds (local and configured ones); a SANE status.
int ListScanners(std::vector<ScannerDevice>& devices);

struct ScanSettings {
  std::string device;
  int dpi = 300;  // asked for; the device's own range limits it
  // Further device options by SANE name ("mode" = "Color"); values as scanimage takes them.
  std::vector<std::pair<std::string, std::string>> options;
};

// One page being read; CancelPage may be called from another thread at any time.
struct PageReading {
  std::mutex lock;
  void* handle = nullptr;  // the open device while the page is read
  bool cancelled = false;
};

struct ScannedPage {
  int status = kSaneGood;
  std::optional<ScannedImage> image;  // with status good
};

// Opens the device, applies the settings, reads every frame of one page and closes the device.
// The picture's resolution is the one the device reports after the settings.
ScannedPage ScanOnePage(const ScanSettings& settings, PageReading& reading);
void CancelPage(PageReading& reading);
