#include "content/font_table.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "content/font_subset.h"
#include "content/subset_name.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/system_error.h"
#include "platform/text_encoding.h"


namespace {

constexpr const char16_t* kTextUnavailable = u"文本功能不可用";

// The subset under a name no other font of the document has: the engine reuses a page's font
// resource for any font of the same name, and readers then show one subset's codes in another.
std::optional<std::string> WithSubsetTag(const std::string& subset) {
  std::string tag = MakeSubsetTag();
  if (tag.empty()) return std::nullopt;
  return WithPostScriptName(subset, tag + "+" + PostScriptName(subset).value_or("Font"));
}

// Loads a subset of one table row into the document; nullptr with errno set on failure.
FPDF_FONT LoadFontFile(const FontTableEntry& entry, const std::u16string& characters) {
  std::u16string path = FontFolder() + u"/" + Utf8ToUtf16(entry.fileName);
  auto bytes = ReadWholeFile(path);
  if (!bytes) return nullptr;
  if (bytes->empty() || bytes->size() > 4294967295ull) {
    errno = EINVAL;
    return nullptr;
  }
  auto subset = SubsetFirstFace(*bytes, characters);
  if (subset) subset = WithSubsetTag(*subset);
  if (!subset) {
    errno = 13;  // invalid data
    return nullptr;
  }
  ScopedFont font(g_engine.FPDFText_LoadFont(g_session.document, reinterpret_cast<const uint8_t*>(subset->data()),
                                              uint32_t(subset->size()), 2, 1));
  if (font == nullptr) {
    errno = 13;
    return nullptr;
  }
  ++g_fontCache.loadCount;
  FPDF_FONT loaded = font.get();
  g_fontCache.entries.push_back({entry.displayName, characters, std::move(font)});
  return loaded;
}

bool Covers(const std::u16string& held, const std::u16string& wanted) {
  for (char16_t c : wanted) {
    if (held.find(c) == std::u16string::npos) return false;
  }
  return true;
}

FPDF_FONT CachedFont(const std::u16string& displayName, const std::u16string& characters) {
  for (const auto& entry : g_fontCache.entries) {
    if (entry.font != nullptr && EqualsIgnoringCase(entry.displayName, displayName) &&
        Covers(entry.characters, characters)) {
      return entry.font.get();
    }
  }
  return nullptr;
}

}  // namespace

const std::vector<FontTableEntry>& FontTable() {
  static const std::vector<FontTableEntry> table = {
      {u"微软雅黑", "msyh.ttc"}, {u"宋体", "simsun.ttc"}, {u"黑体", "simhei.ttf"}, {u"Arial Unicode MS", "arialuni.ttf"}};
  return table;
}

std::u16string FontFolder() {
  const char* configured = std::getenv("CORVAN_FONTS_DIR");
  if (configured != nullptr && *configured != '\0') return Utf8ToUtf16(configured);
  std::u16string beside = ExecutableDirectory() + u"/fonts";
  if (IsDirectory(beside)) return beside;
  return u"/usr/local/share/corvan-pdf/fonts";
}

bool EnsureDefaultFont() {
  if (g_fontCache.defaultFont != nullptr) return true;
  if (g_session.document == nullptr || g_engine.FPDFText_LoadFont == nullptr || g_engine.FPDFFont_Close == nullptr ||
      g_engine.FPDFPageObj_CreateTextObj == nullptr || g_engine.FPDFText_SetText == nullptr ||
      g_engine.FPDFPageObj_SetFillColor == nullptr || g_engine.FPDFPageObj_Transform == nullptr) {
    ShowMessage(kTextUnavailable, u"当前 PDFium 运行库不支持添加文本。", MessageIcon::Error);
    return false;
  }
  int lastError = 0;
  for (const auto& entry : FontTable()) {
    FPDF_FONT font = CachedFont(entry.displayName, LabelCharacters());
    if (font == nullptr) font = LoadFontFile(entry, LabelCharacters());
    if (font != nullptr) {
      g_fontCache.defaultFont = font;
      g_fontCache.defaultName = entry.displayName;
      return true;
    }
    lastError = errno;
  }
  ShowMessage(kTextUnavailable,
              FillPlaceholders(u"无法加载系统字体（系统错误 %d：%s）。请安装微软雅黑、宋体、黑体或 Arial。",
                               {Num(lastError), SystemErrorDescription(lastError)}),
              MessageIcon::Error);
  return false;
}

FPDF_FONT GetFontByName(const std::u16string& displayName, const std::u16string& characters, bool quiet) {
  if (FPDF_FONT cached = CachedFont(displayName, characters)) return cached;
  const FontTableEntry* row = nullptr;
  for (const auto& entry : FontTable()) {
    if (EqualsIgnoringCase(entry.displayName, displayName)) row = &entry;
  }
  if (row == nullptr) {
    if (!quiet) ShowMessage(u"字体不可用", u"请选择支持的文本字体。", MessageIcon::Warning);
    return nullptr;
  }
  if (g_session.document == nullptr || g_engine.FPDFText_LoadFont == nullptr || g_engine.FPDFFont_Close == nullptr) {
    if (!quiet) ShowMessage(kTextUnavailable, u"当前 PDFium 运行库不支持加载所选字体。", MessageIcon::Error);
    return nullptr;
  }
  FPDF_FONT font = LoadFontFile(*row, characters);
  int error = errno;
  if (font == nullptr && !quiet) {
    ShowMessage(u"字体加载失败",
                FillPlaceholders(u"无法加载字体“%s”（系统错误 %d：%s）。",
                                 {row->displayName, Num(error), SystemErrorDescription(error)}),
                MessageIcon::Error);
  }
  return font;
}

FPDF_FONT DefaultFontFor(const std::u16string& characters) {
  if (!EnsureDefaultFont()) return nullptr;
  return GetFontByName(g_fontCache.defaultName, characters);
}

