#include "document/changed_objects_copy.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "document/file_writer.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"

namespace {

// Keeps what the engine writes from position `skip` on: the bytes before are the file the
// document was loaded from, which the engine copies first.
struct TailWriter {
  FPDF_FILEWRITE engineRecord;
  uint64_t skip = 0;
  uint64_t position = 0;
  std::string tail;
  bool failed = false;
};

int KeepTail(FPDF_FILEWRITE* self, const void* data, unsigned long size) {
  auto* writer = reinterpret_cast<TailWriter*>(self);
  const char* bytes = static_cast<const char*>(data);
  uint64_t end = writer->position + size;
  if (end > writer->skip) {
    uint64_t from = writer->position >= writer->skip ? 0 : writer->skip - writer->position;
    try {
      writer->tail.append(bytes + from, size_t(size - from));
    } catch (const std::bad_alloc&) {
      writer->failed = true;
      return 0;
    }
  }
  writer->position = end;
  return 1;
}

// The engine's incremental output with every object of the document loaded (a full save,
// only counted, loads them all).
std::optional<std::string> IncrementalTail(FPDF_DOCUMENT document, uint64_t skip) {
  if (!CountSavedBytes(document, kSaveNoIncremental)) return std::nullopt;
  TailWriter writer{{1, KeepTail}, skip};
  if (g_engine.FPDF_SaveAsCopy(document, &writer.engineRecord, kSaveIncremental) == 0 || writer.failed) {
    return std::nullopt;
  }
  if (writer.position < skip) return std::nullopt;
  return std::move(writer.tail);
}

// The last cross-reference section of an incremental output: the objects it appended, by
// number, each as written from "N G obj" to the next object, and the section's dictionary.
struct UpdateSection {
  std::map<uint32_t, std::string_view> objects;
  std::string_view dictionary;
  bool isStream = false;
};

bool IsPdfSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

struct Cursor {
  std::string_view text;
  size_t at = 0;
  void SkipSpace() {
    while (at < text.size() && IsPdfSpace(text[at])) ++at;
  }
  std::optional<uint64_t> Number() {
    SkipSpace();
    size_t start = at;
    uint64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 19) value = value * 10 + uint64_t(text[at++] - '0');
    if (at == start) return std::nullopt;
    return value;
  }
  bool Word(std::string_view word) {
    SkipSpace();
    if (text.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
  }
};

// The number after `key` in a dictionary's text ("/Size 12"), or the numbers of the array after it.
std::vector<uint64_t> NumbersAfter(std::string_view dictionary, std::string_view key) {
  std::vector<uint64_t> numbers;
  size_t found = dictionary.find(key);
  while (found != std::string_view::npos) {
    char next = found + key.size() < dictionary.size() ? dictionary[found + key.size()] : ' ';
    if (!std::isalnum(static_cast<unsigned char>(next))) break;  // "/W" must not match "/Width"
    found = dictionary.find(key, found + 1);
  }
  if (found == std::string_view::npos) return numbers;
  Cursor cursor{dictionary, found + key.size()};
  bool array = cursor.Word("[");
  while (auto number = cursor.Number()) {
    numbers.push_back(*number);
    if (!array) break;
  }
  return numbers;
}

// "/Root 2 0 R", "/ID[<..><..>]" and the like, as written; empty when absent.
std::string_view EntryText(std::string_view dictionary, std::string_view key) {
  size_t start = dictionary.find(key);
  if (start == std::string_view::npos) return {};
  size_t after = start + key.size();
  size_t end = key == "/ID" ? dictionary.find(']', after) : dictionary.find('R', after);
  if (end == std::string_view::npos) return {};
  return dictionary.substr(start, end + 1 - start);
}

// Reads the table or stream at `section` (an index into `tail`); false when it is not the
// plain form the engine writes.
bool ReadSectionEntries(std::string_view tail, size_t section, UpdateSection& update,
                        std::vector<std::pair<uint64_t, uint32_t>>& offsets) {
  Cursor cursor{tail, section};
  if (cursor.Word("xref")) {
    while (!cursor.Word("trailer")) {
      auto first = cursor.Number(), count = cursor.Number();
      if (!first || !count) return false;
      for (uint64_t i = 0; i < *count; ++i) {
        auto offset = cursor.Number(), generation = cursor.Number();
        cursor.SkipSpace();
        if (!offset || !generation || cursor.at >= tail.size()) return false;
        if (tail[cursor.at++] == 'n') offsets.push_back({*offset, uint32_t(*first + i)});
      }
    }
    size_t end = tail.find("startxref", cursor.at);
    update.dictionary = tail.substr(cursor.at, end == std::string_view::npos ? std::string_view::npos : end - cursor.at);
    return true;
  }
  if (!cursor.Number() || !cursor.Number() || !cursor.Word("obj")) return false;
  size_t streamWord = tail.find("stream", cursor.at);
  if (streamWord == std::string_view::npos) return false;
  update.dictionary = tail.substr(cursor.at, streamWord - cursor.at);
  update.isStream = true;
  if (update.dictionary.find("/Filter") != std::string_view::npos) return false;
  std::vector<uint64_t> widths = NumbersAfter(update.dictionary, "/W");
  std::vector<uint64_t> size = NumbersAfter(update.dictionary, "/Size");
  std::vector<uint64_t> index = NumbersAfter(update.dictionary, "/Index");
  if (widths.size() != 3 || size.size() != 1) return false;
  if (index.empty()) index = {0, size[0]};
  if (index.size() % 2 != 0 || widths[0] > 1 || widths[1] > 8 || widths[2] > 4) return false;
  size_t data = streamWord + 6;
  if (tail.substr(data, 2) == "\r\n") data += 2;
  else if (tail.substr(data, 1) == "\n") data += 1;
  size_t width = size_t(widths[0] + widths[1] + widths[2]);
  for (size_t pair = 0; pair < index.size(); pair += 2) {
    for (uint64_t i = 0; i < index[pair + 1]; ++i, data += width) {
      if (data + width > tail.size()) return false;
      auto field = [&](size_t from, uint64_t bytes) {
        uint64_t value = 0;
        for (uint64_t b = 0; b < bytes; ++b) value = value << 8 | uint8_t(tail[data + from + b]);
        return value;
      };
      uint64_t type = widths[0] == 0 ? 1 : field(0, widths[0]);
      if (type == 2) return false;  // objects packed into a stream: not the engine's form
      if (type == 1) offsets.push_back({field(size_t(widths[0]), widths[1]), uint32_t(index[pair] + i)});
    }
  }
  return true;
}

std::optional<UpdateSection> ReadLastSection(std::string_view tail, uint64_t skip) {
  size_t mark = tail.rfind("startxref");
  if (mark == std::string_view::npos) return std::nullopt;
  Cursor cursor{tail, mark + 9};
  auto xref = cursor.Number();
  if (!xref || *xref < skip || *xref - skip >= tail.size()) return std::nullopt;
  size_t section = size_t(*xref - skip);
  UpdateSection update;
  std::vector<std::pair<uint64_t, uint32_t>> offsets;
  if (!ReadSectionEntries(tail, section, update, offsets)) return std::nullopt;
  std::sort(offsets.begin(), offsets.end());
  for (size_t i = 0; i < offsets.size(); ++i) {
    uint64_t start = offsets[i].first;
    uint64_t end = i + 1 < offsets.size() ? offsets[i + 1].first : *xref;
    if (start < skip || end > *xref || end <= start) return std::nullopt;
    std::string_view object = tail.substr(size_t(start - skip), size_t(end - start));
    // Each piece must be exactly one object: "N G obj" ... "endobj".
    Cursor head{object};
    auto number = head.Number();
    size_t last = object.find_last_not_of(" \r\n\t\f");
    if (!number || *number != offsets[i].second || !head.Number() || !head.Word("obj") ||
        last == std::string_view::npos || last < 5 || object.substr(last - 5, 6) != "endobj") {
      return std::nullopt;
    }
    update.objects[offsets[i].second] = object;
  }
  return update;
}

struct BaseReader {
  FPDF_FILEACCESS fileAccess;
  int fd;
};

int ReadBase(void* param, unsigned long position, unsigned char* buffer, unsigned long size) {
  int fd = static_cast<BaseReader*>(param)->fd;
  while (size > 0) {
    ssize_t n = ::pread(fd, buffer, size, off_t(position));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    buffer += n;
    position += static_cast<unsigned long>(n);
    size -= static_cast<unsigned long>(n);
  }
  return 1;
}

// The original's bytes as they are, into the copy; the last byte is handed back.
int CopyBaseBytes(const CopyBase& base, int fd, char& lastByte) {
  std::vector<char> buffer(1 << 20);
  uint64_t done = 0;
  while (done < base.size) {
    ssize_t n = ::pread(base.fd, buffer.data(), size_t(std::min<uint64_t>(buffer.size(), base.size - done)), off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0 ? EIO : errno;
    if (!WriteAll(fd, buffer.data(), size_t(n))) return errno != 0 ? errno : EIO;
    lastByte = buffer[size_t(n) - 1];
    done += uint64_t(n);
  }
  return 0;
}

std::string CrossReference(const std::map<uint32_t, uint64_t>& offsets, bool asStream, uint32_t streamNumber,
                           const std::string& trailerEntries, uint64_t sectionOffset) {
  // Runs of consecutive numbers: "first count" pairs.
  std::vector<std::pair<uint32_t, uint32_t>> runs;
  for (const auto& [number, offset] : offsets) {
    if (!runs.empty() && runs.back().first + runs.back().second == number) {
      ++runs.back().second;
    } else {
      runs.push_back({number, 1});
    }
  }
  std::string text;
  if (!asStream) {
    text = "xref\n";
    for (const auto& [first, count] : runs) {
      text += std::to_string(first) + " " + std::to_string(count) + "\n";
      for (uint32_t number = first; number < first + count; ++number) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n\r\n", (unsigned long long)offsets.at(number));
        text += entry;
      }
    }
    text += "trailer\n<<" + trailerEntries + ">>\n";
  } else {
    int offsetBytes = sectionOffset >> 32 == 0 ? 4 : 8;
    std::string data;
    for (const auto& [number, offset] : offsets) {
      data += char(1);
      for (int b = offsetBytes - 1; b >= 0; --b) data += char((offset >> (8 * b)) & 0xFF);
      data += std::string(2, '\0');
    }
    std::string index;
    for (const auto& [first, count] : runs) index += (index.empty() ? "" : " ") + std::to_string(first) + " " + std::to_string(count);
    text = std::to_string(streamNumber) + " 0 obj\n<</Type/XRef/W[1 " + std::to_string(offsetBytes) + " 2]/Index[" + index +
           "]" + trailerEntries + "/Length " + std::to_string(data.size()) + ">>stream\n" + data + "\nendstream\nendobj\n";
  }
  return text + "startxref\n" + std::to_string(sectionOffset) + "\n%%EOF\n";
}

// What the engine writes for a fresh load of the original bytes.
std::optional<std::string> OriginalTail(const CopyBase& base) {
  BaseReader reader{{(unsigned long)base.size, ReadBase, nullptr}, base.fd};
  reader.fileAccess.m_Param = &reader;
  ScopedDocument original(g_engine.FPDF_LoadCustomDocument(&reader.fileAccess, nullptr));
  if (original == nullptr) return std::nullopt;
  return IncrementalTail(original.get(), base.size);
}

}  // namespace

std::optional<int> WriteChangedObjectsCopy(FPDF_DOCUMENT document, const CopyBase& base, int fd) {
  if (g_engine.FPDF_LoadCustomDocument == nullptr || base.fd < 0) return std::nullopt;
  std::optional<std::string> originalTail = OriginalTail(base);
  if (!originalTail) return std::nullopt;
  std::optional<std::string> editedTail = IncrementalTail(document, base.documentFileSize);
  if (!editedTail) return std::nullopt;
  auto before = ReadLastSection(*originalTail, base.size);
  auto after = ReadLastSection(*editedTail, base.documentFileSize);
  if (!before || !after) return std::nullopt;
  // The update is written in the clear: an encrypted original is copied another way.
  if (before->dictionary.find("/Encrypt") != std::string_view::npos) return std::nullopt;
  std::vector<uint64_t> previous = NumbersAfter(before->dictionary, "/Prev");
  std::vector<uint64_t> sizeBefore = NumbersAfter(before->dictionary, "/Size");
  std::vector<uint64_t> sizeAfter = NumbersAfter(after->dictionary, "/Size");
  std::string_view root = EntryText(after->dictionary, "/Root");
  if (previous.size() != 1 || sizeBefore.size() != 1 || sizeAfter.size() != 1 || root.empty()) return std::nullopt;

  char lastByte = '\n';
  if (int error = CopyBaseBytes(base, fd, lastByte)) return error;
  uint64_t position = base.size;
  std::string separator = lastByte == '\n' || lastByte == '\r' ? "" : "\n";
  if (!WriteAll(fd, separator.data(), separator.size())) return errno;
  position += separator.size();
  std::map<uint32_t, uint64_t> offsets;
  uint64_t nextNumber = std::max(sizeBefore[0], sizeAfter[0]);
  for (const auto& [number, object] : after->objects) {
    auto same = before->objects.find(number);
    if (same != before->objects.end() && same->second == object) continue;
    offsets[number] = position;
    if (!WriteAll(fd, object.data(), object.size())) return errno;
    position += object.size();
    nextNumber = std::max<uint64_t>(nextNumber, number + 1);
  }
  if (offsets.empty()) return 0;  // nothing differs: the original's bytes are the copy
  uint32_t streamNumber = uint32_t(nextNumber);
  if (before->isStream) offsets[streamNumber] = position;
  std::string entries = "/Size " + std::to_string(before->isStream ? nextNumber + 1 : nextNumber);
  entries += std::string(root);
  for (std::string_view key : {"/Info", "/ID"}) entries += std::string(EntryText(after->dictionary, key));
  entries += "/Prev " + std::to_string(previous[0]);
  std::string section = CrossReference(offsets, before->isStream, streamNumber, entries, position);
  if (!WriteAll(fd, section.data(), section.size())) return errno;
  return 0;
}
