#include "document/save_copy.h"

#include <cerrno>

#include "document/cvn_container.h"
#include "document/file_writer.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "document/window_hooks.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/system_error.h"
#include "platform/text_encoding.h"

std::u16string DefaultSaveName(const std::u16string& suffix, const std::u16string& unnamed) {
  if (g_session.path.empty()) return unnamed;
  return FileNameWithoutExtension(g_session.path) + suffix;
}

bool IsSessionPath(const std::u16string& chosen) {
  // The opened file under whatever name it has now (renamed or moved while open).
  if (SameFileIdentity(IdentityOfFile(chosen), g_session.sourceIdentity)) return true;
  return SameFile(chosen, g_session.path) || SameFile(chosen, g_session.sourcePath) ||
         SameFile(chosen, g_session.backingFile);
}

namespace {

// The copy is made from the bytes read when the file was opened; say so when the file on
// disk no longer holds them (rewritten by another program meanwhile).
std::u16string NoteOnChangedOriginal(const std::u16string& successText) {
  if (g_session.opened == nullptr || g_session.basePdf.empty()) return successText;
  if (UnchangedFile(g_session.basePdfIdentity, IdentityOfFile(g_session.basePdf))) return successText;
  if (OpenedFileUnchanged(*g_session.opened, g_session.basePdf)) return successText;
  return successText + u"（原文件在打开后已被其他程序更改；副本按打开时读取的内容保存）";
}

}  // namespace

void AdoptSavedPath(const std::u16string& target, const std::u16string& statusText) {
  g_session.path = target;
  g_session.modified = false;
  MarkHistoryModified();
  g_session.statusText = statusText;
  UpdateTitle();
  g_window.changed(Change::Status);
}

bool SavePdfCopy(const std::u16string& nameSuffix, const std::u16string& successText) {
  if (g_session.document == nullptr) return false;
  FileDialogRequest request;
  request.save = true;
  request.filters = {{u"PDF 文件 (*.pdf)", u"*.pdf"}, {u"所有文件 (*.*)", u"*"}};
  request.defaultName = DefaultSaveName(nameSuffix, u"未命名.pdf");
  request.folder = FolderPart(g_session.path);  // beside the document
  request.defaultExtension = u"pdf";
  request.confirmOverwrite = true;
  auto chosen = ShowFileDialog(request);
  if (!chosen) return false;
  // A symbolic link stays a link: the copy replaces the file it points to.
  const std::u16string target = FollowLinks(*chosen);
  if (IsSessionPath(target)) {
    ShowMessage(u"PDF 保存", u"为避免损坏原始文件，请将标注保存为一个新的 PDF 文件。",
                MessageIcon::Information);
    return false;
  }
  if (!CommitPageContent()) {
    ShowMessage(u"保存失败", u"生成 PDF 页面内容失败，文件未保存。", MessageIcon::Error);
    return false;
  }
  RemoveStaleSaveTemporaries(target);
  TempFile temporary = CreateSaveTemporary(target);
  if (temporary.fd < 0) {
    int error = errno;
    ShowMessage(u"保存失败", FillPlaceholders(u"无法创建保存文件（系统错误 %d：%s）。", {Num(error), SystemErrorDescription(error)}),
                MessageIcon::Error);
    return false;
  }
  int error = WriteDocumentCopy(temporary.fd);
  if (error == 0 && !FlushFile(temporary.fd)) error = errno;
  CloseFile(temporary.fd);
  bool replaced = false;
  if (error == 0) error = ReplaceFileWriteThrough(temporary.path, target, &replaced);
  if (replaced && error != 0) {
    ReportUnflushedCopy(u"保存 PDF", target, error);
    return false;
  }
  if (error != 0) {
    RemoveFile(temporary.path);
    ShowMessage(u"保存失败",
                FillPlaceholders(u"保存 PDF 失败（系统错误 %d：%s）。\n原文件保持不变。",
                                 {Num(error), SystemErrorDescription(error)}),
                MessageIcon::Error);
    return false;
  }
  AdoptSavedPath(target, NoteOnChangedOriginal(successText));
  return true;
}

void ReportUnflushedCopy(const std::u16string& caption, const std::u16string& target, int error) {
  ShowMessage(caption,
              FillPlaceholders(u"副本已写入：\n%s\n但无法确认它已安全写入磁盘（系统错误 %d：%s），断电后可能丢失。\n"
                               u"文档仍视为未保存，请再次保存或另存到其他位置。",
                               {target, Num(error), SystemErrorDescription(error)}),
              MessageIcon::Warning);
  g_session.statusText = u"副本已写入，但未确认写入磁盘";
  g_window.changed(Change::Status);
}

bool ConfirmDiscardChanges() {
  // No document but modified: a failed recovery left only its backup and the undo record.
  // Discarding that takes the user's No, never a silent yes.
  if (!g_session.modified) return true;
  bool cvn = EndsWithIgnoringCase(g_session.path, u".cvn");
  std::u16string text = cvn ? u"文件中的更改尚未保存。\n是：另存为 CVN 副本；否：丢弃更改；取消：继续编辑。"
                            : u"文件中的更改尚未保存。\n是：保存 PDF 副本；否：丢弃更改；取消：继续编辑。";
  MessageAnswer answer = ShowMessage(u"PDF 已修改", text, MessageIcon::Question, MessageButtons::YesNoCancel);
  if (answer == MessageAnswer::No) return true;
  if (answer != MessageAnswer::Yes) return false;
  return cvn ? SaveAsCvn() : SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。");
}
