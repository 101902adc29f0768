#include "document/recent_documents.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "document/open_document.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kCaption = u"最近文档";
constexpr size_t kMinValueBytes = 4;
constexpr size_t kMaxValueBytes = 655362;

std::vector<std::u16string> g_menuList;

void Warn(const char16_t* text) { ShowMessage(kCaption, text, MessageIcon::Warning); }

bool WriteValue(const std::vector<std::u16string>& list) {
  std::string bytes;
  auto putUnit = [&](char16_t unit) {
    bytes += char(unit & 0xFF);
    bytes += char(unit >> 8);
  };
  for (int i = 0; i < 4; ++i) bytes += char((kMultiStringType >> (8 * i)) & 0xFF);
  for (const auto& entry : list) {
    for (char16_t unit : entry) putUnit(unit);
    putUnit(0);
  }
  putUnit(0);
  std::error_code error;
  std::filesystem::create_directories(Utf8(RecentDocumentsKeyFolder()), error);
  if (error) return false;
  std::u16string file = RecentDocumentsValueFile();
  TempFile temporary = CreateSaveTemporary(file);
  if (temporary.fd < 0) return false;
  bool ok = WriteAll(temporary.fd, bytes.data(), bytes.size());
  CloseFile(temporary.fd);
  ok = ok && ReplaceFile(temporary.path, file) == 0;  // whole or not at all, without waiting for the disk
  if (!ok) RemoveFile(temporary.path);
  return ok;
}

}  // namespace

std::u16string RecentDocumentsKeyFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && *config != '\0') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.config";
  }
  return Utf8ToUtf16(base + "/CorvanPDF/RecentDocuments");
}

std::u16string RecentDocumentsValueFile() { return RecentDocumentsKeyFolder() + u"/Paths"; }

bool ReadRecentDocuments(std::vector<std::u16string>& list) {
  list.clear();
  if (!IsDirectory(RecentDocumentsKeyFolder())) return true;
  std::u16string file = RecentDocumentsValueFile();
  if (!FileExists(file)) return true;
  auto bytes = ReadWholeFile(file);
  bool valid = bytes && bytes->size() >= 4;
  if (valid) {
    auto byteAt = [&](size_t i) { return uint32_t((unsigned char)(*bytes)[i]); };
    uint32_t type = byteAt(0) | byteAt(1) << 8 | byteAt(2) << 16 | byteAt(3) << 24;
    size_t size = bytes->size() - 4;
    valid = type == kMultiStringType && size % 2 == 0 && size >= kMinValueBytes && size <= kMaxValueBytes;
    if (valid) {
      std::u16string units(size / 2, u'\0');
      for (size_t i = 0; i < units.size(); ++i) units[i] = char16_t(byteAt(4 + 2 * i) | byteAt(5 + 2 * i) << 8);
      valid = units[units.size() - 1] == 0 && units[units.size() - 2] == 0;
      size_t start = 0;
      while (valid && start < units.size() && list.size() < kMaxRecentDocuments) {
        size_t end = units.find(u'\0', start);
        if (end == std::u16string::npos) end = units.size();
        if (end == start) break;
        list.push_back(units.substr(start, end - start));
        start = end + 1;
      }
    }
  }
  if (!valid) {
    list.clear();
    Warn(u"无法读取最近打开的文档记录。");
    return false;
  }
  return true;
}

void AddRecentDocument(const std::u16string& path) {
  auto full = FullPath(path);
  if (!full) {
    Warn(u"无法获取文档的完整路径，最近文档记录未更新。");
    return;
  }
  std::vector<std::u16string> list;
  if (!ReadRecentDocuments(list)) return;
  std::vector<std::u16string> updated{*full};
  for (auto& entry : list) {
    // Two spellings of one file are one entry; names differing only in case are two files.
    if (!SameFile(entry, *full) && updated.size() < kMaxRecentDocuments) updated.push_back(entry);
  }
  if (updated == list) return;  // reopening the newest entry changes nothing
  if (!WriteValue(updated)) Warn(u"无法保存最近打开的文档记录。");
}

std::optional<std::vector<RecentMenuItem>> BuildRecentMenu() {
  std::vector<std::u16string> list;
  if (!ReadRecentDocuments(list)) return std::nullopt;
  std::vector<RecentMenuItem> items;
  if (list.empty()) items.push_back({0, u"（无最近文档）", false});
  for (size_t i = 0; i < list.size(); ++i) {
    std::u16string shown;
    for (char16_t c : list[i]) {
      shown += c;
      if (c == u'&') shown += u'&';
    }
    items.push_back({kCommandRecentFirst + int(i), Num(long(i) + 1) + u"  " + shown, true});
  }
  g_menuList = std::move(list);
  return items;
}

bool OpenRecentDocument(int command) {
  size_t index = size_t(command - kCommandRecentFirst);
  if (command < kCommandRecentFirst || index >= g_menuList.size()) return false;
  return OpenDocument(g_menuList[index]);
}
