#include "document/crash_recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>

#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "document/window_hooks.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace fs = std::filesystem;

namespace {

struct RecoverySlot {
  std::u16string id;
  int lockFd = -1;
  // What the files on disk show: nothing is rewritten while these stay the same.
  FPDF_DOCUMENT document = nullptr;
  uint64_t generation = 0;
  bool modified = false;
  bool written = false;
};

RecoverySlot g_slot;
// Once per run: the user hears that unsaved work cannot be kept for recovery.
bool g_claimFailed = false;
bool g_toldUnwritable = false;

constexpr const char* kInfoHeader = "CorvanRecovery 1";

std::u16string FileOf(const std::u16string& id, const char16_t* kind) { return RecoveryFolder() + u"/" + id + kind; }

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(const std::string& text) {
  std::string out;
  auto value = [](char c) { return c >= 'a' ? c - 'a' + 10 : c - '0'; };
  for (size_t i = 0; i + 1 < text.size(); i += 2) out += char(value(text[i]) << 4 | value(text[i + 1]));
  return out;
}

// Writes the bytes under `name` in the folder through a temporary file and a flushed rename.
bool WriteFileAtomically(const std::u16string& name, const std::string& bytes) {
  TempFile temporary = CreateUniqueFileIn(RecoveryFolder(), g_slot.id + u".");
  if (temporary.fd < 0) return false;
  bool ok = WriteAll(temporary.fd, bytes.data(), bytes.size()) && FlushFile(temporary.fd);
  CloseFile(temporary.fd);
  ok = ok && ReplaceFileWriteThrough(temporary.path, name) == 0;
  if (!ok) RemoveFile(temporary.path);
  return ok;
}

std::string InfoText() {
  std::string text = std::string(kInfoHeader) + "\n";
  std::u16string original = g_session.sourcePath.empty() ? g_session.path : g_session.sourcePath;
  text += "original=" + Hex(Utf8(original)) + "\n";
  if (g_session.path != original) text += "saved=" + Hex(Utf8(g_session.path)) + "\n";
  text += "page=" + std::to_string(g_session.currentPageIndex) + "\n";
  text += "createdInMemory=" + std::to_string(g_session.createdInMemory ? 1 : 0) + "\n";
  text += "fullRewrite=" + std::to_string(g_session.fullRewrite ? 1 : 0) + "\n";
  text += "savedAt=" + std::to_string(int64_t(std::time(nullptr))) + "\n";
  return text;
}

bool WriteState() {
  auto snapshot = TakeSnapshotIn(RecoveryFolder(), g_slot.id + u".", true, SnapshotForm::Complete);
  if (!snapshot) return false;
  if (ReplaceFileWriteThrough(*snapshot, FileOf(g_slot.id, u".pdf")) != 0) {
    RemoveFile(*snapshot);
    return false;
  }
  return WriteFileAtomically(FileOf(g_slot.id, u".info"), InfoText());
}

void RemoveState(const std::u16string& id) {
  RemoveFile(FileOf(id, u".info"));
  RemoveFile(FileOf(id, u".pdf"));
}

// Another run's files are alive while that run holds the lock on its lock file.
bool RunIsAlive(const std::u16string& id) {
  int fd = ::open(Utf8(FileOf(id, u".lock")).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool alive = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return alive;
}

std::optional<RecoveryLeftover> ReadLeftover(const std::u16string& id) {
  auto text = ReadWholeFile(FileOf(id, u".info"));
  if (!text || text->rfind(kInfoHeader, 0) != 0 || !FileExists(FileOf(id, u".pdf"))) return std::nullopt;
  std::map<std::string, std::string> fields;
  size_t start = 0;
  while (start < text->size()) {
    size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    size_t equals = line.find('=');
    if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    start = end + 1;
  }
  RecoveryLeftover leftover;
  leftover.id = id;
  leftover.snapshotPath = FileOf(id, u".pdf");
  leftover.originalPath = Utf8ToUtf16(Unhex(fields["original"]));
  leftover.savedCopyPath = Utf8ToUtf16(Unhex(fields["saved"]));
  leftover.pageIndex = std::atoi(fields["page"].c_str());
  leftover.createdInMemory = fields["createdInMemory"] == "1";
  leftover.fullRewrite = fields["fullRewrite"] == "1";
  leftover.savedAt = std::atoll(fields["savedAt"].c_str());
  return leftover;
}

void RemoveRunFiles(const std::u16string& id) {
  std::error_code error;
  std::string prefix = Utf8(id) + ".";
  for (const auto& entry : fs::directory_iterator(Utf8(RecoveryFolder()), error)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) fs::remove(entry.path(), error);
  }
}

std::u16string LocalTime(int64_t seconds) {
  time_t value = time_t(seconds);
  tm local{};
  localtime_r(&value, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return Utf8ToUtf16(text);
}

}  // namespace

std::u16string RecoveryFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state != nullptr && *state == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/state";
  }
  return Utf8ToUtf16(base + "/CorvanPDF");
}

namespace {

void TellStateUnwritable() {
  if (g_toldUnwritable) return;
  g_toldUnwritable = true;  // before the box: its events come back here
  ShowMessage(u"无法保存恢复数据",
              FillPlaceholders(u"未保存的更改无法写入恢复数据文件夹：\n%s\n程序意外退出时这些更改将无法恢复，请及时保存。",
                               {RecoveryFolder()}),
              MessageIcon::Warning);
}

}  // namespace

bool ClaimRecoverySlot() {
  if (g_slot.lockFd >= 0) return true;
  g_claimFailed = true;
  std::error_code error;
  fs::create_directories(Utf8(RecoveryFolder()), error);
  if (error) return false;
  g_slot = RecoverySlot{};
  g_slot.id = Num(long(::getpid())) + u"-" + Num(int64_t(std::time(nullptr)));
  int fd = ::open(Utf8(FileOf(g_slot.id, u".lock")).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (fd >= 0) ::close(fd);
    g_slot = RecoverySlot{};
    return false;
  }
  g_slot.lockFd = fd;
  g_claimFailed = false;
  return true;
}

void KeepRecoveryState() {
  bool unsaved = g_session.document != nullptr && g_session.modified;
  if (g_slot.lockFd < 0) {
    if (g_claimFailed && unsaved) TellStateUnwritable();
    return;
  }
  if (!unsaved) {
    if (g_slot.written) RemoveState(g_slot.id);
    g_slot.written = false;
    g_slot.document = nullptr;
    return;
  }
  if (g_slot.written && g_slot.document == g_session.document && g_slot.generation == EditGeneration()) return;
  // A drag edits at every mouse move; its state is written once, after the release settles it.
  if (DragEditHeld()) return;
  WriteRecoveryStateNow();
}

void WriteRecoveryStateNow() {
  if (g_slot.lockFd < 0 || g_session.document == nullptr || !g_session.modified) return;
  // Remembered even when writing failed, so a full disk is not retried on every input.
  g_slot.document = g_session.document;
  g_slot.generation = EditGeneration();
  g_slot.written = WriteState();
  if (!g_slot.written) TellStateUnwritable();
}

void ReleaseRecoverySlot(bool keepState) {
  g_claimFailed = false;
  g_toldUnwritable = false;
  if (g_slot.lockFd < 0) return;
  if (!keepState) RemoveRunFiles(g_slot.id);
  ::close(g_slot.lockFd);
  g_slot = RecoverySlot{};
}

std::vector<RecoveryLeftover> FindRecoveryLeftovers() {
  std::vector<std::u16string> ids;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(Utf8(RecoveryFolder()), error)) {
    std::string name = entry.path().filename().string();
    std::u16string id = Utf8ToUtf16(name.substr(0, name.find('.')));
    if (id != g_slot.id && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  std::vector<RecoveryLeftover> leftovers;
  for (const auto& id : ids) {
    if (RunIsAlive(id)) continue;
    if (auto leftover = ReadLeftover(id)) {
      leftovers.push_back(*leftover);
    } else {
      RemoveRunFiles(id);
    }
  }
  std::sort(leftovers.begin(), leftovers.end(),
            [](const RecoveryLeftover& a, const RecoveryLeftover& b) { return a.savedAt > b.savedAt; });
  return leftovers;
}

void DeleteRecoveryLeftover(const RecoveryLeftover& leftover) { RemoveRunFiles(leftover.id); }

bool RecoverDocument(const RecoveryLeftover& leftover) {
  if (!ConfirmDiscardChanges()) return false;
  // The state becomes this run's file, which the engine reads while the document is open.
  std::u16string file = leftover.snapshotPath;
  if (g_slot.lockFd >= 0) {
    std::u16string adopted = FileOf(g_slot.id, u".recovered.pdf");
    bool moved = false;
    ReplaceFileWriteThrough(leftover.snapshotPath, adopted, &moved);
    if (moved) file = adopted;  // even when the folder flush failed: the old name is gone
  }
  if (!InstallFromSnapshotFile(file, leftover.pageIndex)) {
    RemoveFile(file);
    DeleteRecoveryLeftover(leftover);
    ShowMessage(u"恢复失败", u"无法打开恢复的文档，恢复数据已删除。", MessageIcon::Error);
    return false;
  }
  DeleteRecoveryLeftover(leftover);
  DiscardHistory();
  ReleaseConversionFolder();
  // The title and the save dialog follow the copy saved last, when there was one.
  g_session.path = leftover.savedCopyPath.empty() ? leftover.originalPath : leftover.savedCopyPath;
  g_session.sourcePath = leftover.originalPath;
  g_session.sourceIdentity = IdentityOfFile(leftover.originalPath);
  g_session.basePdf.clear();
  g_session.createdInMemory = leftover.createdInMemory || leftover.originalPath.empty();
  g_session.fullRewrite = leftover.fullRewrite;
  MarkModified();
  g_window.documentInstalled(ToolAfterInstall::Hand);
  g_session.statusText = u"已恢复上次未保存的更改，请另存为新文件";
  g_window.rebuildNavigator(g_session.pageCount);
  UpdateTitle();
  g_window.changed(Change::Pages);
  return true;
}

bool OfferRecovery() {
  auto leftovers = FindRecoveryLeftovers();
  if (leftovers.empty()) return false;
  const RecoveryLeftover& newest = leftovers.front();
  std::u16string name = newest.originalPath.empty() ? u"未命名" : newest.originalPath;
  if (!newest.savedCopyPath.empty()) {
    name += FillPlaceholders(u"\n最后保存的副本：%s", {newest.savedCopyPath});
  }
  std::u16string text = FillPlaceholders(
      u"Corvan PDF 编辑器上次没有正常退出，以下文档的更改尚未保存：\n%s\n（记录于 %s）\n"
      u"是：恢复这些更改；否：删除恢复数据；取消：暂不处理，下次启动时再询问。",
      {name, LocalTime(newest.savedAt)});
  // Enter restores; only 否 deletes: Esc, the close button and a box ended by a signal keep the state.
  MessageAnswer answer = ShowMessage(u"恢复未保存的文档", text, MessageIcon::Question, MessageButtons::YesNoCancel,
                                     MessageAnswer::Yes);
  if (answer == MessageAnswer::Yes) return RecoverDocument(newest);
  if (answer == MessageAnswer::No) DeleteRecoveryLeftover(newest);
  return false;
}
