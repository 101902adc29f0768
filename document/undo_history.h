// Undo and redo over whole-document snapshot files in the temporary directory.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct SnapshotRecord {
  std::u16string snapshotPath;
  int pageIndex = 0;
  bool createdInMemory = false;
  bool modified = false;
  bool fullRewrite = false;
};

struct UndoHistory {
  std::vector<SnapshotRecord> undo;  // newest at the end
  std::vector<SnapshotRecord> redo;
};

extern UndoHistory g_history;

constexpr size_t kMaxUndoDepth = 50;
constexpr const char16_t* kSnapshotPrefix = u"cvn";

// Writes the whole document to a new temporary file ("cvn" prefix) and returns its path.
std::optional<std::u16string> TakeSnapshot(bool flush);
std::optional<SnapshotRecord> CaptureRecord();
// Deletes the record's file.
void DropRecord(SnapshotRecord& record);
void PushUndo(SnapshotRecord record);
bool RestoreRecord(const SnapshotRecord& record);
bool Undo();
bool Redo();
void DiscardHistory();
// After a successful save: undoing or redoing must show the document as modified.
void MarkHistoryModified();
// Loads a document from a snapshot or backup file and makes it current, the file becoming
// the document's backing file. The session's path is kept.
bool InstallFromSnapshotFile(const std::u16string& file, int pageIndex);
