#include "external/office_conversion.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "external/office_encryption.h"
#include "external/office_format.h"
#include "external/office_pipe.h"
#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/system_error.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kConversionFailed = u"演示文稿转换失败";

void ShowSystemFailure(const char16_t* text, int error) {
  ShowMessage(kConversionFailed,
              FillPlaceholders(u"%s（系统错误 %d：%s）。", {text, Num(error), SystemErrorDescription(error)}),
              MessageIcon::Error);
}

// A new private folder in the temporary directory, named like a "CVN" unique file; empty on
// failure (after the message).
std::u16string CreatePrivateFolder() {
  if (!TempDirectory()) {
    ShowSystemFailure(u"获取系统临时目录失败", errno);
    return {};
  }
  TempFile unique = CreateUniqueTempFile(u"CVN");
  if (unique.fd < 0) {
    ShowSystemFailure(u"创建演示文稿临时目录失败", errno);
    return {};
  }
  CloseFile(unique.fd);
  if (!RemoveFile(unique.path)) {
    ShowSystemFailure(u"准备演示文稿临时目录失败", errno);
    return {};
  }
  if (mkdir(Utf8(unique.path).c_str(), 0700) != 0) {
    ShowSystemFailure(u"创建演示文稿临时目录失败", errno);
    return {};
  }
  return unique.path;
}

// LibreOffice takes its profile folder as a file URL.
std::u16string FileUrl(const std::u16string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : Utf8(path)) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      url += char(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return Utf8ToUtf16(url);
}

std::u16string OutputPdfPath(const std::u16string& folder, const std::u16string& input) {
  std::u16string name = FileNamePart(input);
  size_t dot = name.rfind(u'.');
  if (dot != std::u16string::npos) name.resize(dot);
  return folder + u"/" + name + u".pdf";
}

bool IsNonEmptyFile(const std::u16string& path) {
  struct stat st {};
  return stat(Utf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace

std::u16string FindLibreOffice() { return FindOnSearchPath(u"soffice"); }

bool ConvertOfficeToPdf(const std::u16string& input, OfficeConversion& record) {
  if (!IsConvertibleOffice(input)) return false;
  if (!IsExistingFile(input)) {
    ShowMessage(u"打开失败", u"找不到所选 Office 文档。", MessageIcon::Error);
    return false;
  }
  if (IsEncryptedOfficeFile(input)) {
    ShowMessage(u"打开失败", u"此 Office 文档受密码保护，无法转换。请在 Office 中取消密码保护后再打开。",
                MessageIcon::Error);
    return false;
  }
  std::u16string soffice = FindLibreOffice();
  if (soffice.empty()) {
    ShowMessage(u"缺少 Office 文档渲染组件",
                u"无法在本窗体中打开 Office 文档：未检测到 LibreOffice。\n请先安装 LibreOffice；此功能不需要 Microsoft Office。",
                MessageIcon::Information);
    return false;
  }
  std::u16string folder = CreatePrivateFolder();
  if (folder.empty()) return false;
  record.outputFolder = folder;
  record.outputPdf = OutputPdfPath(folder, input);
  // Every run gets its own LibreOffice profile: runs sharing one (or a first-run profile
  // being built) fail. It holds subfolders, so it lives apart from the output folder.
  std::u16string profile = CreatePrivateFolder();
  if (profile.empty()) {
    DiscardConversion(record);
    return false;
  }
  // LibreOffice's own temporary files go inside the profile, which is removed in every case.
  std::u16string childTemp = profile + u"/tmp";
  mkdir(Utf8(childTemp).c_str(), 0700);

  ChildRequest request;
  request.program = soffice;
  std::u16string userInstallation = FileUrl(profile);
  request.arguments = {u"-env:UserInstallation=" + userInstallation, u"--headless",
                       u"--infilter=" + ImportFilterFor(input), u"--convert-to", u"pdf", u"--outdir", folder, input};
  request.environment = {"TMPDIR=" + Utf8(childTemp)};
  request.busyText = u"正在用 LibreOffice 将 Office 文档转换为 PDF...";
  ChildResult result = RunChild(request);
  RemoveLibreOfficePipe(userInstallation);
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(Utf8(profile)), ignored);

  if (result.end == ChildEnd::StartFailed) {
    ShowSystemFailure(u"无法启动 LibreOffice", result.error);
  } else if (result.end == ChildEnd::WaitFailed) {
    ShowSystemFailure(u"等待 LibreOffice 转换完成失败", result.error);
  } else if (result.end == ChildEnd::Exited && result.exitCode == 0 && IsNonEmptyFile(record.outputPdf)) {
    return true;
  } else if (result.end != ChildEnd::Cancelled) {
    ShowMessage(u"Office 文档转换失败", u"LibreOffice 无法将 Office 文档转换为可显示的 PDF。请确认文件未损坏。",
                MessageIcon::Error);
  }
  DiscardConversion(record);
  return false;
}
