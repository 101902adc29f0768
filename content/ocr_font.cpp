#include "content/ocr_font.h"

#include <hb.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "content/font_subset.h"
#include "content/font_table.h"
#include "content/subset_name.h"
#include "document/document_fonts.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

struct OcrFontFile {
  std::u16string displayName;
  std::string bytes;  // empty: unreadable
  hb_blob_t* blob = nullptr;
  hb_face_t* face = nullptr;
  hb_font_t* font = nullptr;
};

struct OcrFontFiles {
  std::vector<OcrFontFile> files;
  ~OcrFontFiles() {
    for (OcrFontFile& f : files) {
      if (f.font != nullptr) hb_font_destroy(f.font);
      if (f.face != nullptr) hb_face_destroy(f.face);
      if (f.blob != nullptr) hb_blob_destroy(f.blob);
    }
  }
};

namespace {

// The code points of UTF-16 text, pairs joined and lone surrogates skipped.
std::vector<char32_t> CodePoints(const std::u16string& text) {
  std::vector<char32_t> points;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      points.push_back(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c < 0xD800 || c > 0xDFFF) {
      points.push_back(c);
    }
  }
  return points;
}

bool Covers(const OcrFontFile& file, const std::u16string& text) {
  if (file.font == nullptr) return false;
  for (char32_t c : CodePoints(text)) {
    hb_codepoint_t glyph = 0;
    if (!hb_font_get_nominal_glyph(file.font, hb_codepoint_t(c), &glyph) || glyph == 0) return false;
  }
  return true;
}

std::u16string Distinct(std::u16string text) {
  std::sort(text.begin(), text.end());
  text.erase(std::unique(text.begin(), text.end()), text.end());
  return text;
}

}  // namespace

std::shared_ptr<OcrFontFiles> OpenOcrFontFiles() {
  auto files = std::make_shared<OcrFontFiles>();
  for (const FontTableEntry& entry : FontTable()) {
    OcrFontFile file;
    file.displayName = entry.displayName;
    std::optional<std::string> bytes = ReadWholeFile(FontFolder() + u"/" + Utf8ToUtf16(entry.fileName));
    if (bytes && !bytes->empty() && bytes->size() < 0x7FFFFFFF) {
      file.bytes = std::move(*bytes);
      file.blob = hb_blob_create(file.bytes.data(), unsigned(file.bytes.size()), HB_MEMORY_MODE_READONLY, nullptr,
                                 nullptr);
      file.face = hb_face_create(file.blob, 0);
      if (hb_face_get_glyph_count(file.face) > 0) file.font = hb_font_create(file.face);
    }
    files->files.push_back(std::move(file));
  }
  return files;
}

PreparedOcrFonts PrepareOcrFonts(OcrFontFiles& files, const std::vector<std::u16string>& texts) {
  PreparedOcrFonts prepared;
  std::vector<std::u16string> wanted(files.files.size());
  std::vector<int> fileOfText;
  for (const std::u16string& text : texts) {
    int chosen = -1;
    for (size_t f = 0; f < files.files.size() && chosen < 0; ++f) {
      if (Covers(files.files[f], text)) chosen = int(f);
    }
    if (chosen >= 0) wanted[size_t(chosen)] += text;
    fileOfText.push_back(chosen);
  }
  std::vector<int> fontOfFile(files.files.size(), -1);
  for (size_t f = 0; f < files.files.size(); ++f) {
    if (wanted[f].empty()) continue;
    std::u16string characters = Distinct(wanted[f]);
    std::optional<std::string> subset = SubsetFirstFace(files.files[f].bytes, characters);
    std::string tag = MakeSubsetTag();
    if (subset && !tag.empty()) {
      subset = WithPostScriptName(*subset, tag + "+" + PostScriptName(*subset).value_or("Font"));
    }
    if (!subset || tag.empty()) continue;
    fontOfFile[f] = int(prepared.fonts.size());
    prepared.fonts.push_back({files.files[f].displayName, characters, std::move(*subset)});
  }
  for (int file : fileOfText) prepared.fontOfText.push_back(file < 0 ? -1 : fontOfFile[size_t(file)]);
  return prepared;
}

FPDF_FONT LoadPreparedOcrFont(const PreparedOcrFont& prepared) {
  if (g_session.document == nullptr || g_engine.FPDFText_LoadFont == nullptr || prepared.bytes.empty()) {
    return nullptr;
  }
  ScopedFont font(g_engine.FPDFText_LoadFont(g_session.document,
                                              reinterpret_cast<const uint8_t*>(prepared.bytes.data()),
                                              uint32_t(prepared.bytes.size()), 2, 1));
  if (font == nullptr) return nullptr;
  ++g_fontCache.loadCount;
  FPDF_FONT loaded = font.get();
  g_fontCache.entries.push_back({prepared.displayName, prepared.characters, std::move(font)});
  return loaded;
}
