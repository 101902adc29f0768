#include "platform/text_encoding.h"

namespace {

char16_t LowerAsciiUnit(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += char16_t(cp);
  } else {
    cp -= 0x10000;
    out += char16_t(0xD800 + (cp >> 10));
    out += char16_t(0xDC00 + (cp & 0x3FF));
  }
}

// Decodes one code point; nullopt on an unpaired surrogate.
std::optional<char32_t> NextCodePoint(std::u16string_view text, size_t& i) {
  char16_t c = text[i++];
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
      char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i]) - 0xDC00);
      ++i;
      return cp;
    }
    return std::nullopt;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
  return c;
}

}  // namespace

std::optional<std::string> Utf16ToUtf8(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size();) {
    auto cp = NextCodePoint(text, i);
    if (!cp) return std::nullopt;
    AppendUtf8(out, *cp);
  }
  return out;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    auto cp = NextCodePoint(text, i);
    AppendUtf8(out, cp ? *cp : U'?');
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = text[i];
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = text[i + k];
      if ((cc & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!valid || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += extra + 1;
  }
  return out;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAsciiUnit(a[i]) != LowerAsciiUnit(b[i])) return false;
  }
  return true;
}

bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = LowerAsciiUnit(c);
  return out;
}

std::u16string Num(long long value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string FillPlaceholders(std::u16string_view format,
                                std::initializer_list<std::u16string> args) {
  std::u16string out;
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size()) {
      size_t j = i + 1;
      while (j < format.size() && (format[j] == u'l' || (format[j] >= u'0' && format[j] <= u'9'))) ++j;
      if (j < format.size() && (format[j] == u'd' || format[j] == u'u' || format[j] == u's') &&
          next != args.end()) {
        out += *next++;
        i = j;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}
