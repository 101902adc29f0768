#include "external/ocr_hocr.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/text_encoding.h"

namespace {

// The value of attribute `name` in the tag text, quoted with ' or ".
std::optional<std::string> Attribute(const std::string& tag, const std::string& name) {
  size_t at = 0;
  while ((at = tag.find(name + "=", at)) != std::string::npos) {
    bool boundary = at == 0 || tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n';
    size_t quote = at + name.size() + 1;
    if (boundary && quote < tag.size() && (tag[quote] == '\'' || tag[quote] == '"')) {
      size_t end = tag.find(tag[quote], quote + 1);
      if (end == std::string::npos) return std::nullopt;
      return tag.substr(quote + 1, end - quote - 1);
    }
    at += name.size();
  }
  return std::nullopt;
}

// "bbox x0 y0 x1 y1" in a title; nothing when absent or empty.
std::optional<OcrPixelBox> BoxOf(const std::string& title) {
  size_t at = title.find("bbox ");
  if (at == std::string::npos) return std::nullopt;
  const char* p = title.c_str() + at + 5;
  long v[4];
  for (long& value : v) {
    char* end = nullptr;
    value = std::strtol(p, &end, 10);
    if (end == p || value < 0 || value > 1000000) return std::nullopt;
    p = end;
  }
  if (v[2] <= v[0] || v[3] <= v[1]) return std::nullopt;
  return OcrPixelBox{int(v[0]), int(v[1]), int(v[2]), int(v[3])};
}

bool HasClass(const std::string& tag, const char* name) {
  std::optional<std::string> classes = Attribute(tag, "class");
  return classes && (" " + *classes + " ").find(std::string(" ") + name + " ") != std::string::npos;
}

bool IsLineTag(const std::string& tag) {
  return HasClass(tag, "ocr_line") || HasClass(tag, "ocr_header") || HasClass(tag, "ocr_caption") ||
         HasClass(tag, "ocr_textfloat");
}

std::string DecodeEntities(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out.push_back(text[i]);
      continue;
    }
    size_t end = text.find(';', i);
    if (end == std::string::npos || end - i > 10) {
      out.push_back('&');
      continue;
    }
    std::string name = text.substr(i + 1, end - i - 1);
    long code = -1;
    if (name == "amp") code = '&';
    else if (name == "lt") code = '<';
    else if (name == "gt") code = '>';
    else if (name == "quot") code = '"';
    else if (name == "apos") code = '\'';
    else if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      code = std::strtol(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
    }
    if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back('&');
      continue;
    }
    char32_t c = char32_t(code);
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (c >> 18)));
      out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
    i = end;
  }
  return out;
}

std::u16string Trimmed(const std::u16string& text) {
  size_t start = text.find_first_not_of(u" \t\r\n");
  if (start == std::u16string::npos) return {};
  size_t end = text.find_last_not_of(u" \t\r\n");
  return text.substr(start, end - start + 1);
}

}  // namespace

bool IsSpacelessScript(char16_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) ||  // radicals, punctuation, kana, ideographs
         (c >= 0xAC00 && c <= 0xD7AF) ||  // Hangul
         (c >= 0xF900 && c <= 0xFAFF) ||  // compatibility ideographs
         (c >= 0xFE30 && c <= 0xFE4F) ||  // vertical forms
         (c >= 0xFF00 && c <= 0xFFEF) ||  // full-width forms
         (c >= 0xD800 && c <= 0xDFFF);    // supplementary ideographs
}

std::vector<OcrLine> ParseHocr(const std::string& utf8) {
  std::vector<OcrLine> lines;
  size_t at = 0;
  while ((at = utf8.find("<span", at)) != std::string::npos) {
    size_t close = utf8.find('>', at);
    if (close == std::string::npos) break;
    std::string tag = utf8.substr(at, close - at);
    at = close + 1;
    std::optional<OcrPixelBox> box = BoxOf(Attribute(tag, "title").value_or(""));
    if (IsLineTag(tag)) {
      if (box) lines.push_back({*box, {}});
      continue;
    }
    if (!HasClass(tag, "ocrx_word") || lines.empty() || !box) continue;
    // The word's text, without any markup inside (<strong>, <em>).
    size_t end = utf8.find("</span>", at);
    if (end == std::string::npos) break;
    std::string inner;
    for (size_t i = at; i < end; ++i) {
      if (utf8[i] == '<') {
        size_t tagEnd = utf8.find('>', i);
        if (tagEnd == std::string::npos || tagEnd > end) break;
        i = tagEnd;
        continue;
      }
      inner.push_back(utf8[i]);
    }
    at = end + 7;
    std::u16string text = Trimmed(Utf8ToUtf16(DecodeEntities(inner)));
    if (!text.empty()) lines.back().words.push_back({*box, text});
  }
  lines.erase(std::remove_if(lines.begin(), lines.end(), [](const OcrLine& l) { return l.words.empty(); }),
              lines.end());
  return lines;
}

std::vector<OcrRun> JoinLineRuns(const OcrLine& line) {
  std::vector<OcrRun> runs;
  for (const OcrWord& word : line.words) {
    bool joins = !runs.empty() && IsSpacelessScript(runs.back().text.back()) && IsSpacelessScript(word.text.front());
    if (!joins) {
      runs.push_back({word.box, word.text});
      continue;
    }
    OcrRun& run = runs.back();
    run.text += word.text;
    run.box.left = std::min(run.box.left, word.box.left);
    run.box.top = std::min(run.box.top, word.box.top);
    run.box.right = std::max(run.box.right, word.box.right);
    run.box.bottom = std::max(run.box.bottom, word.box.bottom);
  }
  return runs;
}
