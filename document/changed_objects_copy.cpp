#include "document/changed_objects_copy.h"

#include <unistd.h>

#include <cerrno>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "document/file_writer.h"
#include "document/pdf_syntax.h"
#include "document/private_page_resources.h"
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
  TailWriter writer{{1, KeepTail}, skip, 0, {}, false};
  if (g_engine.FPDF_SaveAsCopy(document, &writer.engineRecord, kSaveIncremental) == 0 || writer.failed) {
    return std::nullopt;
  }
  if (writer.position < skip) return std::nullopt;
  return std::move(writer.tail);
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

// The objects of an update section read alone (`origin`: where it stands in the file), as
// candidates, and its trailer's entries to carry. False when it cannot be read or is encrypted:
// the update is written in the clear, so an encrypted document is copied another way.
bool ReadUpdate(std::string_view update, uint64_t origin, std::map<uint32_t, Candidate>& candidates, PdfValue& trailer) {
  std::optional<PdfFileIndex> index = IndexPdfFile(update, origin);
  if (!index || index->trailer.Find("Encrypt") != nullptr) return false;
  trailer = CarriedTrailerEntries(index->trailer);
  for (const auto& [number, place] : index->places) {
    if (place.offset == UINT64_MAX) continue;  // freed
    auto object = ReadIndexedObject(*index, number);
    if (!object) return false;
    candidates[number] = Candidate{object->generation, std::move(object->value)};
  }
  return true;
}

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
  // again since and so does not write, are still part of the document; what the engine wrote
  // now comes after them and wins.
  if (!bytes.restored.empty() &&
      !ReadUpdate(bytes.restored, opened.reference.size(), candidates, changed.trailer)) {
    return std::nullopt;
  }
  if (!tail->empty() && !ReadUpdate(*tail, bytes.Size(), candidates, changed.trailer)) return std::nullopt;
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
    if (SameMeaning(original->value, candidate.value)) continue;
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
