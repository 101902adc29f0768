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
#include "document/pdf_syntax.h"
#include "document/private_page_resources.h"
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

// The engine's incremental output past the bytes the document was loaded from: every object
// the engine has loaded (read for a page shown, say) or changed.
std::optional<std::string> IncrementalTail(FPDF_DOCUMENT document, uint64_t skip) {
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

// Every reference inside a value.
void CollectReferences(const PdfValue& value, std::vector<uint32_t>& out) {
  if (value.Is(PdfValue::Kind::Reference)) out.push_back(value.objectNumber);
  for (const auto& item : value.items) CollectReferences(item, out);
  for (const auto& [key, entry] : value.entries) CollectReferences(entry, out);
}

// The engine writes every reference with generation 0; objects of the opened bytes keep theirs.
void RestoreGenerations(PdfValue& value, const PdfFileIndex& reference) {
  if (value.Is(PdfValue::Kind::Reference)) {
    auto place = reference.places.find(value.objectNumber);
    if (place != reference.places.end() && !place->second.packed && place->second.offset != UINT64_MAX) {
      value.generation = place->second.generation;
    }
  }
  for (auto& item : value.items) RestoreGenerations(item, reference);
  for (auto& [key, entry] : value.entries) RestoreGenerations(entry, reference);
}

struct Candidate {
  uint32_t generation = 0;
  PdfValue value;
  bool old = false;  // the number stands for an object of the reference bytes
};

}  // namespace

std::optional<ChangedObjects> FindChangedObjects(FPDF_DOCUMENT document, EngineBytes& bytes) {
  OpenedPdf& opened = *bytes.opened;
  if (!opened.index || g_engine.FPDF_SaveAsCopy == nullptr) return std::nullopt;
  PdfFileIndex& reference = *opened.index;
  std::optional<std::string> output = IncrementalTail(document, bytes.Size());
  if (!output) return std::nullopt;
  ChangedObjects changed;
  // The objects' stream data stays in the engine's output, which the result keeps.
  changed.engineOutput = std::make_shared<std::string>(std::move(*output));
  const std::string* tail = changed.engineOutput.get();
  changed.trailer = CarriedTrailerEntries(reference.trailer);
  std::map<uint32_t, Candidate> candidates;
  // Objects of an undo record the document was restored from, which the engine has not loaded
  // again since and so does not write: still part of the document.
  std::optional<PdfFileIndex> restored;
  if (!bytes.restored.empty()) {
    restored = IndexPdfFile(bytes.restored, opened.reference.size());
    if (!restored) return std::nullopt;
    changed.trailer = CarriedTrailerEntries(restored->trailer);
    for (const auto& [number, place] : restored->places) {
      auto object = ReadIndexedObject(*restored, number);
      if (object) candidates[number] = Candidate{object->generation, std::move(object->value)};
    }
  }
  if (tail->size() > 0) {
    auto section = ReadLastSection(*tail, bytes.Size());
    if (!section) return std::nullopt;
    size_t at = 0;
    std::string_view dictionaryText = section->dictionary;
    size_t open = dictionaryText.find("<<");
    if (open == std::string_view::npos) return std::nullopt;
    at = open;
    auto trailer = ParsePdfValue(dictionaryText, at);
    if (!trailer || !trailer->IsDictionaryLike()) return std::nullopt;
    // The update is written in the clear: an encrypted document is copied another way.
    if (trailer->Find("Encrypt") != nullptr) return std::nullopt;
    changed.trailer = CarriedTrailerEntries(*trailer);
    for (const auto& [number, text] : section->objects) {
      auto object = ParseIndirectObject(text, 0);
      if (!object) return std::nullopt;
      candidates[number] = Candidate{object->generation, std::move(object->value)};
    }
  }
  // What is the same as in the reference bytes stays out; an object that only the engine's
  // way of writing tells apart is the same.
  std::vector<uint32_t> reached;
  RestoreGenerations(changed.trailer, reference);
  for (auto& [number, candidate] : candidates) {
    RestoreGenerations(candidate.value, reference);
    auto original = ReadIndexedObject(reference, number);
    if (!original) continue;
    candidate.old = true;
    candidate.generation = original->generation;
    if (CanonicalForm(original->value) == CanonicalForm(candidate.value)) continue;
    changed.objects[number] = UpdateObject{candidate.generation, candidate.value};
    CollectReferences(candidate.value, reached);
  }
  CollectReferences(changed.trailer, reached);
  // New objects only where something kept points at them: a picture replaced by force erase,
  // the font of a deleted text, an abandoned copy are left behind.
  while (!reached.empty()) {
    uint32_t number = reached.back();
    reached.pop_back();
    auto found = candidates.find(number);
    if (found == candidates.end() || found->second.old || changed.objects.count(number) != 0) continue;
    changed.objects[number] = UpdateObject{found->second.generation, found->second.value};
    CollectReferences(found->second.value, reached);
  }
  return changed;
}

std::optional<std::string> ChangedObjectsUpdate(FPDF_DOCUMENT document, EngineBytes& bytes) {
  auto changed = FindChangedObjects(document, bytes);
  if (!changed) return std::nullopt;
  if (changed->objects.empty()) return std::string();
  return WriteUpdate(changed->objects, UpdateTargetAfter(*bytes.opened->index), changed->trailer);
}

std::optional<int> WriteChangedObjectsCopy(FPDF_DOCUMENT document, EngineBytes& bytes, int fd) {
  auto changed = FindChangedObjects(document, bytes);
  if (!changed) return std::nullopt;
  const OpenedPdf& opened = *bytes.opened;
  if (!WriteAll(fd, opened.reference.data(), size_t(opened.baseSize))) return errno != 0 ? errno : EIO;
  if (changed->objects.empty()) return 0;  // nothing differs: the file's own bytes are the copy
  std::string update = WriteUpdate(changed->objects, opened.afterBase, changed->trailer);
  if (!WriteAll(fd, update.data(), update.size())) return errno != 0 ? errno : EIO;
  return 0;
}
