#include "external/scan_modes.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool Names(const std::string& mode, std::initializer_list<const char*> words) {
  std::string lower = Lower(mode);
  return std::any_of(words.begin(), words.end(), [&lower](const char* word) { return lower.find(word) != std::string::npos; });
}

}  // namespace

std::optional<std::string> DeviceModeFor(const std::vector<std::string>& deviceModes, const std::string& wanted) {
  if (deviceModes.empty()) return wanted;
  for (const std::string& mode : deviceModes) {
    if (Lower(mode) == Lower(wanted)) return mode;
  }
  bool colour = Names(wanted, {"color", "colour"});
  for (const std::string& mode : deviceModes) {
    if (colour ? Names(mode, {"color", "colour", "rgb"}) : Names(mode, {"gray", "grey"})) return mode;
  }
  return std::nullopt;
}
