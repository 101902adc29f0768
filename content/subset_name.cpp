#include "content/subset_name.h"

#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace {

uint32_t Read16(const std::string& b, size_t at) { return uint8_t(b[at]) << 8 | uint8_t(b[at + 1]); }
uint32_t Read32(const std::string& b, size_t at) { return Read16(b, at) << 16 | Read16(b, at + 2); }

void Put16(std::string& b, uint32_t v) {
  b.push_back(char(v >> 8));
  b.push_back(char(v));
}
void Put32(std::string& b, uint32_t v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}
void Set32(std::string& b, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = char(v >> (24 - 8 * k));
}

uint32_t Checksum(const std::string& b, size_t from, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i < length; i += 4) {
    uint32_t word = 0;
    for (size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < length ? uint8_t(b[from + i + k]) : 0);
    sum += word;
  }
  return sum;
}

struct NameRecord {
  uint32_t platform, encoding, language, nameId;
  std::string text;
  bool operator<(const NameRecord& o) const {
    return std::tie(platform, encoding, language, nameId) < std::tie(o.platform, o.encoding, o.language, o.nameId);
  }
};

// The records of a 'name' table (format 0 or 1; language tags are dropped with format 1).
std::optional<std::vector<NameRecord>> ReadNameRecords(const std::string& table) {
  if (table.size() < 6) return std::nullopt;
  size_t count = Read16(table, 2), storage = Read16(table, 4);
  if (6 + 12 * count > table.size()) return std::nullopt;
  std::vector<NameRecord> records;
  for (size_t i = 0; i < count; ++i) {
    size_t at = 6 + 12 * i;
    size_t length = Read16(table, at + 8), offset = Read16(table, at + 10);
    if (storage + offset + length > table.size()) return std::nullopt;
    records.push_back({Read16(table, at), Read16(table, at + 2), Read16(table, at + 4), Read16(table, at + 6),
                       table.substr(storage + offset, length)});
  }
  return records;
}

std::string WriteNameTable(std::vector<NameRecord> records) {
  std::sort(records.begin(), records.end());
  std::string table;
  Put16(table, 0);
  Put16(table, uint32_t(records.size()));
  Put16(table, uint32_t(6 + 12 * records.size()));
  std::string strings;
  for (const auto& r : records) {
    for (uint32_t v : {r.platform, r.encoding, r.language, r.nameId, uint32_t(r.text.size()), uint32_t(strings.size())}) {
      Put16(table, v);
    }
    strings += r.text;
  }
  return table + strings;
}

// The name table with every PostScript name (ID 6) replaced by `name`, for the Macintosh and
// the Windows platform.
std::optional<std::string> RenamedNameTable(const std::string* old, const std::string& name) {
  std::vector<NameRecord> records;
  if (old != nullptr) {
    auto read = ReadNameRecords(*old);
    if (!read) return std::nullopt;
    for (auto& r : *read) {
      if (r.nameId != 6) records.push_back(std::move(r));
    }
  }
  std::string utf16;
  for (char c : name) {
    utf16.push_back('\0');
    utf16.push_back(c);
  }
  records.push_back({1, 0, 0, 6, name});
  records.push_back({3, 1, 0x409, 6, utf16});
  std::string table = WriteNameTable(std::move(records));
  if (table.size() > 0xFFFF) return std::nullopt;  // string offsets are 16-bit
  return table;
}

}  // namespace

std::string MakeSubsetTag() {
  static std::mutex lock;
  static std::set<std::string> issued;
  std::lock_guard<std::mutex> guard(lock);
  try {
    std::random_device random;
    for (;;) {
      std::string tag;
      for (int i = 0; i < 6; ++i) tag.push_back(char('A' + random() % 26));
      if (issued.insert(tag).second) return tag;
    }
  } catch (...) {
    return {};
  }
}

std::optional<std::string> PostScriptName(const std::string& fontFile) {
  if (fontFile.empty() || fontFile.size() > 0x7FFFFFFF) return std::nullopt;
  hb_blob_t* blob = hb_blob_create(fontFile.data(), unsigned(fontFile.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* face = hb_face_create(blob, 0);
  char text[128] = {};
  unsigned length = sizeof text;
  unsigned total = hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &length, text);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
  if (total == 0 || length == 0) return std::nullopt;
  return std::string(text, length);
}

std::string WithoutSubsetTag(const std::string& name) {
  bool tagged = name.size() > 7 && name[6] == '+' &&
                std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; });
  return tagged ? name.substr(7) : name;
}

std::optional<std::string> WithPostScriptName(const std::string& face, const std::string& name) {
  if (face.size() < 12 || name.empty() || name.size() > 63) return std::nullopt;
  uint32_t version = Read32(face, 0);
  if (version != 0x00010000 && version != 0x74727565) return std::nullopt;  // TrueType outlines only
  size_t count = Read16(face, 4);
  if (count == 0 || 12 + 16 * count > face.size()) return std::nullopt;

  struct Table {
    uint32_t tag;
    std::string bytes;
  };
  std::vector<Table> tables;
  const std::string* oldName = nullptr;
  for (size_t i = 0; i < count; ++i) {
    size_t at = 12 + 16 * i;
    size_t offset = Read32(face, at + 8), length = Read32(face, at + 12);
    if (offset > face.size() || length > face.size() - offset) return std::nullopt;
    tables.push_back({Read32(face, at), face.substr(offset, length)});
  }
  constexpr uint32_t kName = 0x6E616D65, kHead = 0x68656164;
  auto named = std::find_if(tables.begin(), tables.end(), [](const Table& t) { return t.tag == kName; });
  if (named != tables.end()) oldName = &named->bytes;
  auto renamed = RenamedNameTable(oldName, name);
  if (!renamed) return std::nullopt;
  if (named != tables.end()) {
    named->bytes = std::move(*renamed);
  } else {
    tables.push_back({kName, std::move(*renamed)});
  }
  std::sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) { return a.tag < b.tag; });

  uint32_t power = 1, log = 0;
  while (power * 2 <= tables.size()) power *= 2, ++log;
  std::string out;
  Put32(out, version);
  Put16(out, uint32_t(tables.size()));
  Put16(out, power * 16);
  Put16(out, log);
  Put16(out, uint32_t(tables.size()) * 16 - power * 16);
  size_t directory = out.size();
  out.resize(directory + 16 * tables.size());
  size_t headAt = 0;
  for (size_t i = 0; i < tables.size(); ++i) {
    Table& t = tables[i];
    if (t.tag == kHead) {
      if (t.bytes.size() < 12) return std::nullopt;
      Set32(t.bytes, 8, 0);  // checkSumAdjustment is summed as zero
      headAt = out.size();
    }
    size_t at = directory + 16 * i;
    Set32(out, at, t.tag);
    Set32(out, at + 4, Checksum(t.bytes, 0, t.bytes.size()));
    Set32(out, at + 8, uint32_t(out.size()));
    Set32(out, at + 12, uint32_t(t.bytes.size()));
    out += t.bytes;
    out.resize((out.size() + 3) & ~size_t(3), '\0');
  }
  if (headAt != 0) Set32(out, headAt + 8, 0xB1B0AFBA - Checksum(out, 0, out.size()));
  return out;
}
