#include "document/private_page_resources.h"

#include <set>

namespace {

constexpr int kMaxTreeDepth = 64;

struct PageWalk {
  PdfFileIndex& index;
  std::map<uint32_t, UpdateObject> pages;  // rewritten page dictionaries
  std::set<uint32_t> visited;
  std::map<uint32_t, std::optional<PdfValue>> categories;  // shared category dictionaries, written once
  bool failed = false;
};

// The resources written out in full: every category that is an object of its own becomes a
// copy inside the dictionary. Returns false when nothing needed copying.
bool InlineCategories(PageWalk& walk, PdfValue& resources) {
  bool changed = false;
  for (auto& [key, value] : resources.entries) {
    if (!value.Is(PdfValue::Kind::Reference)) continue;
    auto [known, added] = walk.categories.try_emplace(value.objectNumber);
    if (added) {
      auto resolved = Resolve(walk.index, value);
      // Only dictionaries are pruned; a /ProcSet array by reference is left as it is.
      if (resolved && resolved->Is(PdfValue::Kind::Dictionary)) {
        PdfValue text;
        text.kind = PdfValue::Kind::Verbatim;
        text.text = WritePdfValue(*resolved);
        known->second = std::move(text);
      }
    }
    if (!known->second) continue;
    value = *known->second;
    changed = true;
  }
  return changed;
}

void WalkNode(PageWalk& walk, const PdfValue& reference, const std::optional<PdfValue>& inherited, int depth) {
  if (walk.failed) return;
  if (depth > kMaxTreeDepth || !reference.Is(PdfValue::Kind::Reference) || !walk.visited.insert(reference.objectNumber).second) {
    walk.failed = true;
    return;
  }
  auto object = ReadIndexedObject(walk.index, reference.objectNumber);
  if (!object || !object->value.Is(PdfValue::Kind::Dictionary)) {
    walk.failed = true;
    return;
  }
  PdfValue& node = object->value;
  std::optional<PdfValue> resources = inherited;
  bool ownDirect = false;
  if (const PdfValue* own = node.Find("Resources")) {
    ownDirect = own->Is(PdfValue::Kind::Dictionary);
    resources = Resolve(walk.index, *own);
  }
  const PdfValue* type = node.Find("Type");
  const PdfValue* kids = node.Find("Kids");
  bool isPages = kids != nullptr && (type == nullptr || !type->Is(PdfValue::Kind::Name) || type->text != "Page");
  if (isPages) {
    auto list = Resolve(walk.index, *kids);
    if (!list || !list->Is(PdfValue::Kind::Array)) {
      walk.failed = true;
      return;
    }
    for (const auto& kid : list->items) WalkNode(walk, kid, resources, depth + 1);
    return;
  }
  if (!resources || !resources->Is(PdfValue::Kind::Dictionary)) return;  // nothing the engine could prune elsewhere
  PdfValue copy = *resources;
  bool categoriesCopied = InlineCategories(walk, copy);
  if (ownDirect && !categoriesCopied) return;  // already its own
  node.Set("Resources", std::move(copy));
  walk.pages[object->number] = UpdateObject{object->generation, std::move(node)};
}

}  // namespace

UpdateTarget UpdateTargetAfter(const PdfFileIndex& index) {
  UpdateTarget target;
  target.fileSize = index.bytes.size();
  target.previousSection = index.lastSection;
  target.asStream = index.lastSectionIsStream;
  target.size = index.size;
  target.lastByte = index.bytes.empty() ? '\n' : index.bytes.back();
  return target;
}

PdfValue CarriedTrailerEntries(const PdfValue& trailer) {
  PdfValue carried;
  carried.kind = PdfValue::Kind::Dictionary;
  for (const char* key : {"Root", "Info", "ID"}) {
    if (const PdfValue* value = trailer.Find(key)) carried.Set(key, *value);
  }
  return carried;
}

std::optional<std::string> PrivatePageResourcesUpdate(PdfFileIndex& index) {
  // Encrypted strings are tied to the number of the object that holds them: not moved.
  if (index.trailer.Find("Encrypt") != nullptr) return std::nullopt;
  const PdfValue* root = index.trailer.Find("Root");
  if (root == nullptr) return std::nullopt;
  auto catalog = Resolve(index, *root);
  if (!catalog || !catalog->Is(PdfValue::Kind::Dictionary) || catalog->Find("Pages") == nullptr) return std::nullopt;
  PageWalk walk{index};
  WalkNode(walk, *catalog->Find("Pages"), std::nullopt, 0);
  if (walk.failed) return std::nullopt;
  if (walk.pages.empty()) return std::string();
  return WriteUpdate(walk.pages, UpdateTargetAfter(index), CarriedTrailerEntries(index.trailer));
}
