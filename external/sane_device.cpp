#include "external/sane_device.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "external/scan_frames.h"
#include "external/scan_modes.h"
#include "platform/text_encoding.h"

int StartSane() {
  SANE_Int version = 0;
  return sane_init(&version, nullptr);
}

void StopSane() { sane_exit(); }

int ListScanners(std::vector<ScannerDevice>& devices) {
  const SANE_Device** list = nullptr;
  SANE_Status status = sane_get_devices(&list, SANE_FALSE);
  if (status != SANE_STATUS_GOOD) return status;
  for (int i = 0; list != nullptr && list[i] != nullptr; ++i) {
    const SANE_Device* device = list[i];
    std::string label = std::string(device->vendor ? device->vendor : "") + " " + (device->model ? device->model : "") +
                        " (" + device->name + ")";
    devices.push_back({device->name, Utf8ToUtf16(label)});
  }
  return SANE_STATUS_GOOD;
}

namespace {

// Option descriptors are fetched anew for every use: setting one option may reload the others.
std::optional<SANE_Int> FindOption(SANE_Handle handle, const char* name, const SANE_Option_Descriptor** found) {
  const SANE_Option_Descriptor* first = sane_get_option_descriptor(handle, 0);
  SANE_Int count = 0;
  if (first == nullptr || sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) {
    return std::nullopt;
  }
  for (SANE_Int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle, i);
    if (option != nullptr && option->name != nullptr && std::strcmp(option->name, name) == 0) {
      *found = option;
      return i;
    }
  }
  return std::nullopt;
}

SANE_Word ClampToRange(const SANE_Option_Descriptor* option, SANE_Word value) {
  if (option->constraint_type != SANE_CONSTRAINT_RANGE || option->constraint.range == nullptr) return value;
  const SANE_Range* range = option->constraint.range;
  if (value < range->min) return range->min;
  if (value > range->max) return range->max;
  return value;
}

// The values a text option allows; empty when it takes any text.
std::vector<std::string> StringList(const SANE_Option_Descriptor* option) {
  std::vector<std::string> values;
  if (option->constraint_type != SANE_CONSTRAINT_STRING_LIST || option->constraint.string_list == nullptr) return values;
  for (const SANE_String_Const* entry = option->constraint.string_list; *entry != nullptr; ++entry) values.push_back(*entry);
  return values;
}

// Sets a number or a text option (the scan mode as the device names it); options the device
// lacks or keeps inactive are skipped.
SANE_Status SetOption(SANE_Handle handle, const std::string& name, const std::string& value) {
  const SANE_Option_Descriptor* option = nullptr;
  std::optional<SANE_Int> index = FindOption(handle, name.c_str(), &option);
  if (!index || !SANE_OPTION_IS_ACTIVE(option->cap) || !SANE_OPTION_IS_SETTABLE(option->cap)) {
    return SANE_STATUS_GOOD;
  }
  SANE_Int info = 0;
  switch (option->type) {
    case SANE_TYPE_BOOL: {
      SANE_Word word = value == "yes" || value == "true" || value == "1" ? SANE_TRUE : SANE_FALSE;
      return sane_control_option(handle, *index, SANE_ACTION_SET_VALUE, &word, &info);
    }
    case SANE_TYPE_INT: {
      SANE_Word word = ClampToRange(option, SANE_Word(std::strtol(value.c_str(), nullptr, 10)));
      return sane_control_option(handle, *index, SANE_ACTION_SET_VALUE, &word, &info);
    }
    case SANE_TYPE_FIXED: {
      SANE_Word word = ClampToRange(option, SANE_FIX(std::strtod(value.c_str(), nullptr)));
      return sane_control_option(handle, *index, SANE_ACTION_SET_VALUE, &word, &info);
    }
    case SANE_TYPE_STRING: {
      std::string chosen = value;
      if (name == SANE_NAME_SCAN_MODE) {
        std::optional<std::string> own = DeviceModeFor(StringList(option), value);
        if (!own) return SANE_STATUS_GOOD;
        chosen = *own;
      }
      std::vector<char> text(size_t(std::max<SANE_Int>(option->size, SANE_Int(chosen.size() + 1))), 0);
      std::memcpy(text.data(), chosen.data(), chosen.size());
      return sane_control_option(handle, *index, SANE_ACTION_SET_VALUE, text.data(), &info);
    }
    default:
      return SANE_STATUS_GOOD;
  }
}

// The device's resolution as it stands; 0 when it has none or does not say.
double ReadResolution(SANE_Handle handle) {
  const SANE_Option_Descriptor* option = nullptr;
  std::optional<SANE_Int> index = FindOption(handle, SANE_NAME_SCAN_RESOLUTION, &option);
  if (!index || option->size < SANE_Int(sizeof(SANE_Word))) return 0;
  std::vector<SANE_Word> words(size_t(option->size) / sizeof(SANE_Word), 0);
  if (sane_control_option(handle, *index, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD) return 0;
  if (option->type == SANE_TYPE_FIXED) return SANE_UNFIX(words[0]);
  if (option->type == SANE_TYPE_INT) return words[0];
  return 0;
}

std::optional<FrameKind> KindOf(SANE_Frame format) {
  switch (format) {
    case SANE_FRAME_GRAY: return FrameKind::Gray;
    case SANE_FRAME_RGB: return FrameKind::Rgb;
    case SANE_FRAME_RED: return FrameKind::Red;
    case SANE_FRAME_GREEN: return FrameKind::Green;
    case SANE_FRAME_BLUE: return FrameKind::Blue;
    default: return std::nullopt;
  }
}

// Reads every frame of the page; a SANE status.
int ReadFrames(SANE_Handle handle, std::vector<RawFrame>& frames) {
  uint64_t total = 0;
  std::vector<SANE_Byte> buffer(65536);
  for (;;) {
    SANE_Status status = sane_start(handle);
    if (status != SANE_STATUS_GOOD) return status;
    SANE_Parameters parameters{};
    status = sane_get_parameters(handle, &parameters);
    if (status != SANE_STATUS_GOOD) return status;
    std::optional<FrameKind> kind = KindOf(parameters.format);
    if (!kind) return SANE_STATUS_UNSUPPORTED;
    RawFrame frame;
    frame.kind = *kind;
    frame.depth = parameters.depth;
    frame.bytesPerLine = parameters.bytes_per_line;
    frame.pixelsPerLine = parameters.pixels_per_line;
    for (;;) {
      SANE_Int length = 0;
      status = sane_read(handle, buffer.data(), SANE_Int(buffer.size()), &length);
      if (status == SANE_STATUS_EOF) break;
      if (status != SANE_STATUS_GOOD) return status;
      total += uint64_t(length);
      if (total > kMaxScanBytes) return SANE_STATUS_NO_MEM;  // more than any page may bring
      frame.bytes.insert(frame.bytes.end(), buffer.begin(), buffer.begin() + length);
    }
    frames.push_back(std::move(frame));
    if (parameters.last_frame) return SANE_STATUS_GOOD;
  }
}

}  // namespace

ScannedPage ScanOnePage(const ScanSettings& settings, PageReading& reading) {
  ScannedPage page;
  SANE_Handle handle = nullptr;
  page.status = sane_open(settings.device.c_str(), &handle);
  if (page.status != SANE_STATUS_GOOD) return page;
  {
    std::lock_guard<std::mutex> guard(reading.lock);
    reading.handle = handle;
    if (reading.cancelled) page.status = SANE_STATUS_CANCELLED;
  }
  if (page.status == SANE_STATUS_GOOD) {
    page.status = SetOption(handle, SANE_NAME_SCAN_RESOLUTION, std::to_string(settings.dpi));
  }
  for (const auto& [name, value] : settings.options) {
    if (page.status == SANE_STATUS_GOOD) page.status = SetOption(handle, name, value);
  }
  std::vector<RawFrame> frames;
  double dpi = page.status == SANE_STATUS_GOOD ? ReadResolution(handle) : 0;
  if (page.status == SANE_STATUS_GOOD) page.status = ReadFrames(handle, frames);
  {
    std::lock_guard<std::mutex> guard(reading.lock);
    sane_cancel(handle);  // ends the scan (also after a complete one, as SANE asks)
    sane_close(handle);
    reading.handle = nullptr;
    if (reading.cancelled) page.status = SANE_STATUS_CANCELLED;
  }
  if (page.status != SANE_STATUS_GOOD) return page;
  page.image = DecodeScanFrames(frames, dpi, dpi);
  if (!page.image) page.status = SANE_STATUS_INVAL;
  return page;
}

void CancelPage(PageReading& reading) {
  std::lock_guard<std::mutex> guard(reading.lock);
  reading.cancelled = true;
  if (reading.handle != nullptr) sane_cancel(static_cast<SANE_Handle>(reading.handle));
}
