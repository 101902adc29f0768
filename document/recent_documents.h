// The last ten opened documents, newest first, kept in a per-user store that holds a
// multi-string value: a type word (7) followed by NUL-terminated UTF-16LE strings and one
// more NUL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr size_t kMaxRecentDocuments = 10;
constexpr int kCommandRecentFirst = 55100;
constexpr int kCommandRecentLast = 55109;
constexpr uint32_t kMultiStringType = 7;

// "$XDG_CONFIG_HOME/CorvanPDF/RecentDocuments" (default ~/.config) and its value file.
std::u16string RecentDocumentsKeyFolder();
std::u16string RecentDocumentsValueFile();

bool ReadRecentDocuments(std::vector<std::u16string>& list);
void AddRecentDocument(const std::u16string& path);

struct RecentMenuItem {
  int command;  // 0 for the greyed placeholder
  std::u16string text;
  bool enabled;
};

// Reads the list for the File menu's submenu; nothing when reading failed (the menu keeps
// its previous submenu). The list becomes the one the recent commands open from.
std::optional<std::vector<RecentMenuItem>> BuildRecentMenu();
// Command 55100 + i opens entry i of the list last shown.
bool OpenRecentDocument(int command);
