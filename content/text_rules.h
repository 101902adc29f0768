// The rules every text the user types for the page must pass: the size of its letters, its
// length, and how a block of lines is cut and stacked from the point the user clicked.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

constexpr float kMinTextSize = 4.0f;
constexpr float kMaxTextSize = 144.0f;
constexpr size_t kMaxTextLength = 4096;
constexpr float kLinePitchFactor = 1.25f;  // line pitch ÷ size

constexpr const char16_t* kSizeInvalidCaption = u"字号无效";
constexpr const char16_t* kSizeInvalidText = u"字号必须为 4 到 144 磅。";

// The whole text is one decimal number, finite, from 4 to 144; nothing otherwise ("12pt",
// "3.9", "abc", "inf", "" all fail). Leading blanks are allowed, trailing text is not.
std::optional<float> ParseTextSize(std::u16string_view text);
// A size as the size fields show it: "%.1f".
std::u16string FormatTextSize(float size);

// What is wrong with the text dialog's fields, with the message and where the focus goes.
struct TextInputProblem {
  std::u16string caption;
  std::u16string text;
  bool sizeField = false;  // the size field takes the focus
};
// `checkSize` false when the size row is hidden (editing a text whose size cannot change).
std::optional<TextInputProblem> CheckTextDialogInput(std::u16string_view text, std::u16string_view sizeText,
                                                     bool checkSize);

// "\r\n" and lone "\r" become "\n"; the text is cut at each "\n" keeping empty lines (a
// trailing line end yields a final empty line). Nothing when no line has a character.
std::optional<std::vector<std::u16string>> SplitTextLines(std::u16string_view text);

// Baselines of `lineCount` lines whose first line's top is at `anchorY` (page height grows
// upwards): the first is page height − size at most, the block is pushed up so the last
// stays at y ≥ 0. Nothing when the block cannot fit the page.
std::optional<std::vector<float>> LineBaselines(size_t lineCount, float size, float pageHeight, float anchorY);
