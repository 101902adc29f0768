#include "document/pdf_syntax.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

bool IsPdfWhiteSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

namespace {

bool IsDelimiter(char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
         c == '%';
}

bool IsRegular(char c) { return !IsPdfWhiteSpace(c) && !IsDelimiter(c); }

void SkipSpaceAndComments(std::string_view text, size_t& at) {
  while (at < text.size()) {
    if (IsPdfWhiteSpace(text[at])) {
      ++at;
    } else if (text[at] == '%') {
      while (at < text.size() && text[at] != '\n' && text[at] != '\r') ++at;
    } else {
      return;
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view Token(std::string_view text, size_t& at) {
  size_t start = at;
  while (at < text.size() && IsRegular(text[at])) ++at;
  return text.substr(start, at - start);
}

bool IsInteger(std::string_view token) {
  if (token.empty() || token.size() > 10) return false;
  return std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ParseLiteralString(std::string_view text, size_t& at, std::string& out) {
  ++at;  // '('
  int depth = 1;
  while (at < text.size()) {
    char c = text[at++];
    if (c == '\\') {
      if (at >= text.size()) return false;
      char e = text[at++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case '\r':
          if (at < text.size() && text[at] == '\n') ++at;
          break;
        case '\n': break;
        default:
          if (e >= '0' && e <= '7') {
            int value = e - '0';
            for (int i = 0; i < 2 && at < text.size() && text[at] >= '0' && text[at] <= '7'; ++i) value = value * 8 + (text[at++] - '0');
            out += char(value & 0xFF);
          } else {
            out += e;
          }
      }
    } else if (c == '(') {
      ++depth;
      out += c;
    } else if (c == ')') {
      if (--depth == 0) return true;
      out += c;
    } else {
      out += c;
    }
  }
  return false;
}

bool ParseHexString(std::string_view text, size_t& at, std::string& out) {
  ++at;  // '<'
  int pending = -1;
  while (at < text.size() && text[at] != '>') {
    int digit = HexDigit(text[at++]);
    if (digit < 0) continue;  // white space between digits
    if (pending < 0) {
      pending = digit;
    } else {
      out += char(pending * 16 + digit);
      pending = -1;
    }
  }
  if (at >= text.size()) return false;
  ++at;
  if (pending >= 0) out += char(pending * 16);
  return true;
}

std::string ParseName(std::string_view text, size_t& at) {
  ++at;  // '/'
  std::string name;
  while (at < text.size() && IsRegular(text[at])) {
    char c = text[at++];
    if (c == '#' && at + 1 < text.size() && HexDigit(text[at]) >= 0 && HexDigit(text[at + 1]) >= 0) {
      name += char(HexDigit(text[at]) * 16 + HexDigit(text[at + 1]));
      at += 2;
    } else {
      name += c;
    }
  }
  return name;
}

constexpr int kMaxDepth = 64;  // hostile nesting ends here, not in the stack

std::optional<PdfValue> Parse(std::string_view text, size_t& at, int depth) {
  if (depth > kMaxDepth) return std::nullopt;
  SkipSpaceAndComments(text, at);
  if (at >= text.size()) return std::nullopt;
  PdfValue value;
  char c = text[at];
  if (c == '/') {
    value.kind = PdfValue::Kind::Name;
    value.text = ParseName(text, at);
    return value;
  }
  if (c == '(') {
    value.kind = PdfValue::Kind::String;
    if (!ParseLiteralString(text, at, value.text)) return std::nullopt;
    return value;
  }
  if (c == '<' && at + 1 < text.size() && text[at + 1] == '<') {
    at += 2;
    value.kind = PdfValue::Kind::Dictionary;
    for (;;) {
      SkipSpaceAndComments(text, at);
      if (at + 1 < text.size() && text[at] == '>' && text[at + 1] == '>') {
        at += 2;
        return value;
      }
      if (at >= text.size() || text[at] != '/') return std::nullopt;
      std::string key = ParseName(text, at);
      auto entry = Parse(text, at, depth + 1);
      if (!entry) return std::nullopt;
      value.entries.emplace_back(std::move(key), std::move(*entry));
    }
  }
  if (c == '<') {
    value.kind = PdfValue::Kind::String;
    if (!ParseHexString(text, at, value.text)) return std::nullopt;
    return value;
  }
  if (c == '[') {
    ++at;
    value.kind = PdfValue::Kind::Array;
    for (;;) {
      SkipSpaceAndComments(text, at);
      if (at < text.size() && text[at] == ']') {
        ++at;
        return value;
      }
      auto item = Parse(text, at, depth + 1);
      if (!item) return std::nullopt;
      value.items.push_back(std::move(*item));
    }
  }
  std::string_view token = Token(text, at);
  if (token.empty()) return std::nullopt;
  if (token == "null") return value;
  if (token == "true" || token == "false") {
    value.kind = PdfValue::Kind::Boolean;
    value.boolean = token == "true";
    return value;
  }
  if (IsInteger(token)) {
    // "N G R" is a reference; anything else leaves the number alone.
    size_t look = at;
    SkipSpaceAndComments(text, look);
    std::string_view generation = Token(text, look);
    if (IsInteger(generation)) {
      SkipSpaceAndComments(text, look);
      if (Token(text, look) == "R") {
        value.kind = PdfValue::Kind::Reference;
        value.objectNumber = uint32_t(std::strtoul(std::string(token).c_str(), nullptr, 10));
        value.generation = uint32_t(std::strtoul(std::string(generation).c_str(), nullptr, 10));
        at = look;
        return value;
      }
    }
  }
  char* end = nullptr;
  std::string copy(token);
  double number = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str()) return std::nullopt;  // a keyword, not a value
  value.kind = PdfValue::Kind::Number;
  value.number = number;
  value.text = copy;
  return value;
}

void WriteHex(std::string& out, const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  out += '<';
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  out += '>';
}

void WriteName(std::string& out, const std::string& name) {
  static const char* digits = "0123456789ABCDEF";
  out += '/';
  for (unsigned char c : name) {
    if (c < 33 || c > 126 || c == '#' || IsDelimiter(char(c))) {
      out += '#';
      out += digits[c >> 4];
      out += digits[c & 15];
    } else {
      out += char(c);
    }
  }
}

void Write(std::string& out, const PdfValue& value, bool canonical) {
  switch (value.kind) {
    case PdfValue::Kind::Null: out += "null"; break;
    case PdfValue::Kind::Boolean: out += value.boolean ? "true" : "false"; break;
    case PdfValue::Kind::Number:
      if (canonical) {
        char text[40];
        double rounded = std::round(value.number * 10000.0) / 10000.0;
        std::snprintf(text, sizeof text, "%.4f", rounded == 0 ? 0.0 : rounded);
        out += text;
      } else {
        out += value.text.empty() ? std::to_string(value.number) : value.text;
      }
      break;
    case PdfValue::Kind::String: WriteHex(out, value.text); break;
    case PdfValue::Kind::Verbatim: out += value.text; break;
    case PdfValue::Kind::Name: WriteName(out, value.text); break;
    case PdfValue::Kind::Reference:
      out += std::to_string(value.objectNumber) + " " + std::to_string(value.generation) + " R";
      break;
    case PdfValue::Kind::Array:
      out += '[';
      for (size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0) out += ' ';
        Write(out, value.items[i], canonical);
      }
      out += ']';
      break;
    case PdfValue::Kind::Dictionary:
    case PdfValue::Kind::Stream: {
      std::vector<const std::pair<std::string, PdfValue>*> entries;
      for (const auto& entry : value.entries) {
        if (canonical && entry.first == "Length" && value.kind == PdfValue::Kind::Stream) continue;
        entries.push_back(&entry);
      }
      if (canonical) {
        std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->first < b->first; });
      }
      out += "<<";
      for (const auto* entry : entries) {
        WriteName(out, entry->first);
        out += ' ';
        Write(out, entry->second, canonical);
      }
      out += ">>";
      if (value.kind == PdfValue::Kind::Stream) {
        if (canonical) {
          out += "stream" + std::to_string(value.streamData.size()) + ":";
          out.append(value.streamData);
        } else {
          out += "\nstream\n";
          out.append(value.streamData);
          out += "\nendstream";
        }
      }
      break;
    }
  }
}

}  // namespace

const PdfValue* PdfValue::Find(std::string_view key) const {
  for (const auto& entry : entries) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

PdfValue* PdfValue::Find(std::string_view key) {
  for (auto& entry : entries) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

void PdfValue::Set(const std::string& key, PdfValue value) {
  if (PdfValue* existing = Find(key)) {
    *existing = std::move(value);
  } else {
    entries.emplace_back(key, std::move(value));
  }
}

std::optional<PdfValue> ParsePdfValue(std::string_view text, size_t& at) { return Parse(text, at, 0); }

std::optional<PdfIndirect> ParseIndirectObject(std::string_view text, size_t at,
                                               std::optional<uint64_t> (*resolveLength)(void*, uint32_t), void* context) {
  SkipSpaceAndComments(text, at);
  std::string_view number = Token(text, at);
  SkipSpaceAndComments(text, at);
  std::string_view generation = Token(text, at);
  SkipSpaceAndComments(text, at);
  if (!IsInteger(number) || !IsInteger(generation) || Token(text, at) != "obj") return std::nullopt;
  PdfIndirect object;
  object.number = uint32_t(std::strtoul(std::string(number).c_str(), nullptr, 10));
  object.generation = uint32_t(std::strtoul(std::string(generation).c_str(), nullptr, 10));
  auto value = ParsePdfValue(text, at);
  if (!value) return std::nullopt;
  object.value = std::move(*value);
  if (!object.value.Is(PdfValue::Kind::Dictionary)) return object;
  size_t look = at;
  SkipSpaceAndComments(text, look);
  if (text.substr(look, 6) != "stream") return object;
  look += 6;
  if (text.substr(look, 2) == "\r\n") {
    look += 2;
  } else if (look < text.size() && (text[look] == '\n' || text[look] == '\r')) {
    ++look;
  }
  std::optional<uint64_t> length;
  if (const PdfValue* given = object.value.Find("Length")) {
    if (given->Is(PdfValue::Kind::Number) && given->number >= 0) length = uint64_t(given->number);
    if (given->Is(PdfValue::Kind::Reference) && resolveLength != nullptr) length = resolveLength(context, given->objectNumber);
  }
  // A wrong /Length is common in the wild: trust it only when "endstream" follows it.
  auto endsAt = [&](uint64_t end) {
    if (end > text.size()) return false;
    size_t after = size_t(end);
    while (after < text.size() && IsPdfWhiteSpace(text[after])) ++after;
    return text.substr(after, 9) == "endstream";
  };
  if (!length || !endsAt(look + *length)) {
    size_t found = text.find("endstream", look);
    if (found == std::string_view::npos) return std::nullopt;
    size_t end = found;
    if (end > look && text[end - 1] == '\n') --end;
    if (end > look && text[end - 1] == '\r') --end;
    length = end - look;
  }
  object.value.kind = PdfValue::Kind::Stream;
  object.value.streamData = text.substr(look, size_t(*length));
  return object;
}

std::string WritePdfValue(const PdfValue& value) {
  std::string out;
  Write(out, value, false);
  return out;
}

std::string WriteIndirectObject(uint32_t number, uint32_t generation, const PdfValue& value) {
  std::string out = std::to_string(number) + " " + std::to_string(generation) + " obj\n";
  PdfValue copy;
  const PdfValue* written = &value;
  if (value.Is(PdfValue::Kind::Stream)) {
    copy = value;
    copy.Set("Length", PdfNumber(value.streamData.size()));
    written = &copy;
  }
  Write(out, *written, false);
  out += "\nendobj\n";
  return out;
}

std::string CanonicalForm(const PdfValue& value) {
  std::string out;
  Write(out, value, true);
  return out;
}

bool SameMeaning(const PdfValue& a, const PdfValue& b) {
  if (a.kind != b.kind || a.streamData != b.streamData) return false;
  PdfValue left = a, right = b;
  left.streamData = {};
  right.streamData = {};
  return CanonicalForm(left) == CanonicalForm(right);
}

PdfValue PdfName(std::string name) {
  PdfValue value;
  value.kind = PdfValue::Kind::Name;
  value.text = std::move(name);
  return value;
}

PdfValue PdfNumber(uint64_t number) {
  PdfValue value;
  value.kind = PdfValue::Kind::Number;
  value.number = double(number);
  value.text = std::to_string(number);
  return value;
}

PdfValue PdfReference(uint32_t number, uint32_t generation) {
  PdfValue value;
  value.kind = PdfValue::Kind::Reference;
  value.objectNumber = number;
  value.generation = generation;
  return value;
}
