#include "content/text_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

std::optional<float> ParseTextSize(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    ascii.push_back(char(c));
  }
  size_t start = ascii.find_first_not_of(" \t");
  if (start == std::string::npos) return std::nullopt;
  if (ascii[start] == '+') ++start;  // from_chars takes no plus sign
  double value = 0;
  const char* first = ascii.data() + start;
  const char* last = ascii.data() + ascii.size();
  // Locale-free and decimal only: a comma locale or a hexadecimal spelling cannot slip in.
  auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
  if (value < kMinTextSize || value > kMaxTextSize) return std::nullopt;
  return float(value);
}

std::u16string FormatTextSize(float size) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", double(size));
  return std::u16string(buffer, buffer + std::strlen(buffer));
}

std::optional<TextInputProblem> CheckTextDialogInput(std::u16string_view text, std::u16string_view sizeText,
                                                     bool checkSize) {
  if (text.empty() || text.size() > kMaxTextLength) {
    return TextInputProblem{u"文本无效", u"请输入 1 到 4096 个字符的文本。", false};
  }
  if (checkSize && !ParseTextSize(sizeText)) return TextInputProblem{kSizeInvalidCaption, kSizeInvalidText, true};
  return std::nullopt;
}

std::optional<std::vector<std::u16string>> SplitTextLines(std::u16string_view text) {
  std::vector<std::u16string> lines(1);
  bool anyCharacter = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
      anyCharacter = true;
    }
  }
  if (!anyCharacter) return std::nullopt;
  return lines;
}

std::optional<std::vector<float>> LineBaselines(size_t lineCount, float size, float pageHeight, float anchorY) {
  if (lineCount == 0 || !std::isfinite(size) || !std::isfinite(pageHeight) || !std::isfinite(anchorY)) {
    return std::nullopt;
  }
  float pitch = kLinePitchFactor * size;
  float span = pitch * float(lineCount - 1);
  if (span > pageHeight - size) return std::nullopt;
  float first = std::max(span, std::min(pageHeight - size, anchorY - size));
  std::vector<float> baselines;
  for (size_t i = 0; i < lineCount; ++i) baselines.push_back(first - pitch * float(i));
  return baselines;
}
