// Undo and redo over whole-document snapshot files in the temporary directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SnapshotRecord {
  std::u16string snapshotPath;
  int pageIndex = 0;
  bool createdInMemory = false;
  bool modified = false;
  bool fullRewrite = false;
  uint64_t fileBytes = 0;  // size of the snapshot file, counted against the disk budget
};

struct UndoHistory {
  std::vector<SnapshotRecord> undo;  // newest at the end
  std::vector<SnapshotRecord> redo;
};

extern UndoHistory g_history;

constexpr size_t kMaxUndoDepth = 50;
// The undo files together stay within min(2 GiB, a quarter of the free space of the
// temporary folder): that folder is often memory, and a scan of 200 MB would otherwise hold
// 10 GB there after fifty edits.
constexpr uint64_t kMaxUndoBytes = 2ull << 30;
uint64_t UndoDiskBudget(std::optional<uint64_t> freeBytes);
// Free bytes of the temporary folder; replaceable so that a nearly full disk can be provoked.
extern std::optional<uint64_t> (*g_tempFolderFreeSpace)();
constexpr const char16_t* kSnapshotPrefix = u"cvn";

// How a snapshot file holds the document.
enum class SnapshotForm {
  // What changed since the document was opened, to be read after the opened bytes (a whole
  // document only when it has no opened bytes): undo records and backups.
  Changes,
  // A PDF on its own (the opened file's bytes plus what changed): the recovery state.
  Complete,
};
// Writes the document to a new temporary file ("cvn<process id>-XXXXXX.tmp") and returns its path.
std::optional<std::u16string> TakeSnapshot(bool flush, SnapshotForm form = SnapshotForm::Changes);
// The same into a given folder with a given name prefix.
std::optional<std::u16string> TakeSnapshotIn(const std::u16string& folder, const std::u16string& prefix, bool flush,
                                             SnapshotForm form = SnapshotForm::Changes);
std::optional<SnapshotRecord> CaptureRecord();
// Deletes the record's file.
void DropRecord(SnapshotRecord& record);
// Keeps the record as the newest undo step, dropping the oldest ones beyond the depth and
// the disk budget; false when even this record alone exceeds the budget (it is dropped).
bool PushUndo(SnapshotRecord record);
bool RestoreRecord(const SnapshotRecord& record);
bool Undo();
bool Redo();
void DiscardHistory();
// At start: deletes the user's snapshot files left by runs that ended without removing them
// (killed, crashed); those of running processes stay.
void RemoveSnapshotsOfEndedRuns();
// After a successful save: undoing or redoing must show the document as modified.
void MarkHistoryModified();
// Loads a document from a snapshot, backup or recovery file and makes it current, the file
// becoming the document's backing file. The session's path is kept. A complete file becomes the
// document's opened bytes.
bool InstallFromSnapshotFile(const std::u16string& file, int pageIndex);
