#include "document/undo_history.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "document/changed_objects_copy.h"
#include "document/file_writer.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

UndoHistory g_history;

std::optional<std::u16string> TakeSnapshot(bool flush, SnapshotForm form) {
  auto folder = TempDirectory();
  if (!folder) return std::nullopt;
  // The process id in the name tells a later run whether the file still has an owner.
  return TakeSnapshotIn(*folder, kSnapshotPrefix + Num(long(::getpid())) + u"-", flush, form);
}

namespace {

// Starts a snapshot file that holds only the changes after the opened bytes.
constexpr std::string_view kChangesMark = "%CorvanChanges\n";

bool WriteSnapshot(int fd, SnapshotForm form) {
  if (g_session.engineBytes != nullptr && form == SnapshotForm::Changes) {
    if (auto update = ChangedObjectsUpdate(g_session.document, *g_session.engineBytes)) {
      return WriteAll(fd, kChangesMark.data(), kChangesMark.size()) && WriteAll(fd, update->data(), update->size());
    }
  }
  if (form == SnapshotForm::Complete) return WriteDocumentCopy(fd) == 0;
  FileWriter writer = MakeFileWriter(fd);
  return SaveDocumentToFile(g_session.document, writer, kSaveNoIncremental);
}

}  // namespace

std::optional<std::u16string> TakeSnapshotIn(const std::u16string& folder, const std::u16string& prefix, bool flush,
                                             SnapshotForm form) {
  if (g_session.document == nullptr) return std::nullopt;
  TempFile file = CreateUniqueFileIn(folder, prefix);
  if (file.fd < 0) return std::nullopt;
  bool ok = WriteSnapshot(file.fd, form);
  if (ok && flush) ok = FlushFile(file.fd);
  CloseFile(file.fd);
  if (!ok) {
    RemoveFile(file.path);
    return std::nullopt;
  }
  return file.path;
}

std::optional<SnapshotRecord> CaptureRecord() {
  if (g_session.document == nullptr || !CommitPageContent()) return std::nullopt;
  auto path = TakeSnapshot(false);
  if (!path) return std::nullopt;
  SnapshotRecord record;
  record.snapshotPath = *path;
  record.pageIndex = g_session.currentPageIndex;
  record.createdInMemory = g_session.createdInMemory;
  record.modified = g_session.modified;
  record.fullRewrite = g_session.fullRewrite;
  record.fileBytes = FileSizeAt(*path).value_or(0);
  return record;
}

void DropRecord(SnapshotRecord& record) {
  if (!record.snapshotPath.empty()) RemoveFile(record.snapshotPath);
  record.snapshotPath.clear();
}

namespace {

void DropAll(std::vector<SnapshotRecord>& records) {
  for (auto& record : records) DropRecord(record);
  records.clear();
}

}  // namespace

uint64_t UndoDiskBudget(std::optional<uint64_t> freeBytes) {
  if (!freeBytes) return kMaxUndoBytes;
  return std::min(kMaxUndoBytes, *freeBytes / 4);
}

namespace {

std::optional<uint64_t> TempFolderFreeSpace() {
  auto folder = TempDirectory();
  return folder ? FreeSpaceIn(*folder) : std::nullopt;
}

uint64_t UndoBytes() {
  uint64_t total = 0;
  for (const auto& record : g_history.undo) total += record.fileBytes;
  return total;
}

}  // namespace

std::optional<uint64_t> (*g_tempFolderFreeSpace)() = TempFolderFreeSpace;

bool PushUndo(SnapshotRecord record) {
  if (record.snapshotPath.empty()) return false;  // nothing to go back to
  // The command that produced the record also saved: going back must show unsaved work.
  if (!g_session.modified) record.modified = true;
  DropAll(g_history.redo);
  // Free space is measured with the new file already written, so the budget counts it once.
  uint64_t budget = UndoDiskBudget(g_tempFolderFreeSpace());
  g_history.undo.push_back(std::move(record));
  while (!g_history.undo.empty() && (g_history.undo.size() > kMaxUndoDepth || UndoBytes() > budget)) {
    DropRecord(g_history.undo.front());
    g_history.undo.erase(g_history.undo.begin());
  }
  return !g_history.undo.empty();
}

bool InstallFromSnapshotFile(const std::u16string& file, int pageIndex) {
  auto contents = ReadWholeFile(file);
  if (!contents) return false;
  std::unique_ptr<EngineBytes> bytes;
  if (std::string_view(*contents).substr(0, kChangesMark.size()) == kChangesMark) {
    if (g_session.opened == nullptr) return false;
    bytes = BytesForEngine(g_session.opened, contents->substr(kChangesMark.size()));
  } else {
    bytes = BytesForEngine(PrepareOpenedPdf(std::move(*contents)));
  }
  ScopedDocument document(LoadEngineDocument(*bytes));
  if (document == nullptr) return false;
  int count = g_engine.FPDF_GetPageCount(document.get());
  ScopedPage page;
  int index = pageIndex < 0 ? 0 : (pageIndex >= count ? count - 1 : pageIndex);
  if (count > 0) page.reset(g_engine.FPDF_LoadPage(document.get(), index));
  bool usable = page != nullptr && g_engine.FPDF_GetPageWidthF(page.get()) > 0 &&
                g_engine.FPDF_GetPageHeightF(page.get()) > 0;
  if (!usable || !ReleaseCurrentPage()) return false;
  CloseSessionDocument();
  InstallIntoSession(document.release(), page.release(), index, count);
  g_session.opened = bytes->opened;
  g_session.engineBytes = std::move(bytes);
  g_session.backingFile = file;
  return true;
}

bool RestoreRecord(const SnapshotRecord& record) {
  if (!InstallFromSnapshotFile(record.snapshotPath, record.pageIndex)) return false;
  g_session.createdInMemory = record.createdInMemory;
  g_session.modified = record.modified;
  g_session.fullRewrite = record.fullRewrite;
  g_window.clearToolState();
  g_window.rebuildNavigator(g_session.pageCount);
  UpdateTitle();
  g_window.changed(Change::Selection);
  g_window.changed(Change::Pages);
  return true;
}

namespace {

struct StepTexts {
  const char16_t* caption;
  const char16_t* captureFailed;
  const char16_t* restoreFailed;
  const char16_t* done;
};

// Undo and redo are the same step with the two lists exchanged.
bool Step(std::vector<SnapshotRecord>& from, std::vector<SnapshotRecord>& to,
          const StepTexts& texts) {
  if (from.empty()) return false;
  // After a failed page-operation recovery there is no document: nothing to come back to,
  // but the record of the document before the operation still restores it.
  std::optional<SnapshotRecord> current;
  if (g_session.document != nullptr) {
    current = CaptureRecord();
    if (!current) {
      ShowMessage(texts.caption, texts.captureFailed, MessageIcon::Error);
      return false;
    }
  }
  if (!RestoreRecord(from.back())) {
    if (current) DropRecord(*current);
    ShowMessage(texts.caption, texts.restoreFailed, MessageIcon::Error);
    return false;
  }
  // The restored file now backs the open document and is deleted when it closes.
  from.pop_back();
  if (current) to.push_back(std::move(*current));
  g_session.statusText = texts.done;
  g_window.changed(Change::Status);
  return true;
}

}  // namespace

bool Undo() {
  return Step(g_history.undo, g_history.redo,
              {u"撤销失败", u"无法为当前 PDF 创建重做记录，撤销未执行。",
               u"无法恢复撤销记录，当前 PDF 保持不变。", u"已撤销上一步操作"});
}

bool Redo() {
  return Step(g_history.redo, g_history.undo,
              {u"重做失败", u"无法为当前 PDF 创建撤销记录，重做未执行。",
               u"无法恢复重做记录，当前 PDF 保持不变。", u"已重做上一步操作"});
}

void DiscardHistory() {
  DropAll(g_history.undo);
  DropAll(g_history.redo);
}

void RemoveSnapshotsOfEndedRuns() {
  auto folder = TempDirectory();
  if (!folder) return;
  std::error_code error;
  std::string prefix = Utf8(kSnapshotPrefix);
  for (const auto& entry : std::filesystem::directory_iterator(Utf8(*folder), error)) {
    std::string name = entry.path().filename().string();
    // "cvn<pid>-XXXXXX.tmp"
    if (name.rfind(prefix, 0) != 0 || name.size() < prefix.size() + 12 || name.compare(name.size() - 4, 4, ".tmp") != 0) continue;
    size_t digits = prefix.size();
    while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
    if (digits == prefix.size() || digits + 11 != name.size() || name[digits] != '-') continue;
    long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    struct stat info {};
    if (pid <= 0 || pid == long(::getpid()) || ::lstat(entry.path().c_str(), &info) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::getuid()) continue;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH) ::unlink(entry.path().c_str());
  }
}

void MarkHistoryModified() {
  for (auto& record : g_history.undo) record.modified = true;
  for (auto& record : g_history.redo) record.modified = true;
}
