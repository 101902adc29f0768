#include "content/font_subset.h"

#include <hb-subset.h>
#include <hb.h>

#include <memory>

namespace {

template <typename T, void (*Destroy)(T*)>
struct HbDeleter {
  void operator()(T* p) const { Destroy(p); }
};
using Blob = std::unique_ptr<hb_blob_t, HbDeleter<hb_blob_t, hb_blob_destroy>>;
using Face = std::unique_ptr<hb_face_t, HbDeleter<hb_face_t, hb_face_destroy>>;
using Input = std::unique_ptr<hb_subset_input_t, HbDeleter<hb_subset_input_t, hb_subset_input_destroy>>;

// Adds the code points of UTF-16 text (pairs joined, lone surrogates skipped).
void AddCodePoints(hb_set_t* set, const std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      continue;
    }
    hb_set_add(set, hb_codepoint_t(c));
  }
}

}  // namespace

std::optional<std::string> SubsetFirstFace(const std::string& fontFile, const std::u16string& characters) {
  if (fontFile.empty() || fontFile.size() > 0x7FFFFFFF) return std::nullopt;
  Blob source(hb_blob_create(fontFile.data(), unsigned(fontFile.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr));
  Face face(hb_face_create(source.get(), 0));
  if (hb_face_get_glyph_count(face.get()) == 0) return std::nullopt;  // not a font, or no face 0
  Input input(hb_subset_input_create_or_fail());
  if (!input) return std::nullopt;
  AddCodePoints(hb_subset_input_unicode_set(input.get()), characters);
  // Hinting is for small screen sizes; the readers that show these pages do without it.
  hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_NO_HINTING);
  Face subset(hb_subset_or_fail(face.get(), input.get()));
  if (!subset) return std::nullopt;
  Blob bytes(hb_face_reference_blob(subset.get()));
  unsigned length = 0;
  const char* data = hb_blob_get_data(bytes.get(), &length);
  if (data == nullptr || length == 0) return std::nullopt;
  return std::string(data, length);
}

const std::u16string& LabelCharacters() {
  static const std::u16string characters = [] {
    std::u16string text;
    for (char16_t c = 0x20; c <= 0x7E; ++c) text.push_back(c);
    return text;
  }();
  return characters;
}
