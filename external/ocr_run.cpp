#include "external/ocr_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "external/ocr_image.h"
#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/system_error.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kOcrFailedCaption = u"OCR 识别失败";

}  // namespace

void ReportOcrFailure(const std::u16string& detail) {
  std::u16string text = u"OCR 识别失败。请确认 Tesseract 和 chi_sim、eng 语言数据已正确安装。";
  if (!detail.empty()) text += u"\n\n" + detail;
  ShowMessage(kOcrFailedCaption, text, MessageIcon::Error);
}

namespace {

bool IsValidUtf8(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    unsigned char c = bytes[i];
    size_t extra = c < 0x80 ? 0 : (c >= 0xC2 && c < 0xE0) ? 1 : (c >= 0xE0 && c < 0xF0) ? 2 : (c >= 0xF0 && c < 0xF5) ? 3 : 9;
    if (extra == 9 || bytes.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    unsigned char next = extra > 0 ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    // Overlong forms, surrogates and code points above U+10FFFF.
    if ((c == 0xE0 && next < 0xA0) || (c == 0xED && next >= 0xA0) || (c == 0xF0 && next < 0x90) ||
        (c == 0xF4 && next >= 0x90)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

bool ShippedLanguageData(std::u16string& folder) {
  folder.clear();
  std::u16string own = OcrProgramFolder();
  if (own.empty()) {
    ReportOcrFailure(u"无法确定程序目录，无法查找附带的 OCR 语言数据。");
    return false;
  }
  std::u16string path = own + u"/tessdata";
  struct stat st {};
  if (stat(Utf8(path).c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return true;
    ReportOcrFailure(u"无法访问程序附带的 OCR 语言数据目录：" + path);
    return false;
  }
  if (!S_ISDIR(st.st_mode) || !IsExistingFile(path + u"/chi_sim.traineddata") ||
      !IsExistingFile(path + u"/eng.traineddata")) {
    ReportOcrFailure(u"程序附带的 OCR 语言数据不完整，请修复或重新安装：" + path);
    return false;
  }
  folder = path;
  return true;
}

namespace {

// The names one run creates; every one of them is deleted when the run ends.
// The run's files live in a private folder (mode 0700) of the temporary directory, so the
// page image and the recognised text are never readable by other users; it goes with the run.
struct OcrWorkFiles {
  std::u16string folder;
  std::u16string image, outputBase, result, log;
  ~OcrWorkFiles() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(std::filesystem::path(Utf8(folder)), ignored);
  }
};

bool CreateWorkFiles(OcrWorkFiles& files) {
  std::optional<std::u16string> temp = TempDirectory();
  if (!temp) return false;
  std::string pattern = Utf8(*temp) + "/pdfXXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return false;
  files.folder = Utf8ToUtf16(pattern);
  files.image = files.folder + u"/page.bmp";
  files.outputBase = files.folder + u"/result";
  files.result = files.outputBase + u".txt";
  files.log = files.folder + u"/tesseract.log";
  return true;
}

}  // namespace

bool MentionsMissingLanguage(const std::u16string& log) {
  return log.find(u"Failed loading language") != std::u16string::npos ||
         log.find(u"Error opening data file") != std::u16string::npos;
}

std::u16string OcrProgramFolder() {
  return g_platform.programFolder.empty() ? ExecutableDirectory() : g_platform.programFolder;
}

std::u16string FindTesseract() {
  std::u16string own = OcrProgramFolder();
  if (!own.empty()) {
    for (const char16_t* candidate : {u"/tesseract", u"/ocr/tesseract"}) {
      if (IsExistingFile(own + candidate)) return own + candidate;
    }
  }
  std::u16string found = FindOnSearchPath(u"tesseract");
  if (!found.empty()) return found;
  FileDialogRequest request;
  request.title = u"选择本机 Tesseract OCR 程序";
  request.filters = {{u"Tesseract OCR (tesseract)", u"tesseract"}};
  if (g_platform.showFileDialog == nullptr) {
    ShowMessage(u"OCR", u"无法打开 Tesseract 程序选择窗口。", MessageIcon::Warning);
    return {};
  }
  std::optional<std::u16string> chosen = ShowFileDialog(request);
  if (!chosen || chosen->empty()) {
    ShowMessage(u"缺少 OCR 引擎",
                u"未找到 Tesseract OCR。请安装 Tesseract OCR，并安装中文简体（chi_sim）和英文（eng）语言数据后重试。",
                MessageIcon::Warning);
    return {};
  }
  return *chosen;
}

bool ReadOcrText(const std::u16string& path, bool strict, std::u16string& text) {
  int fd = OpenForReading(path);
  if (fd < 0) return false;
  std::optional<uint64_t> size = FileSizeOf(fd);
  CloseFile(fd);
  if (!size || *size > 16u * 1024 * 1024) return false;
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return false;
  if (bytes->compare(0, 3, "\xEF\xBB\xBF") == 0) bytes->erase(0, 3);
  if (strict && !IsValidUtf8(*bytes)) return false;
  text = Utf8ToUtf16(*bytes);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' || text.back() == u'\f')) {
    text.pop_back();
  }
  return true;
}

bool RunOcr(const uint8_t* bgra, int width, int height, int stride) {
  if (width < 1 || height < 1 || stride < 4LL * width || (long long)width * height > kOcrMaxPixels) {
    ShowMessage(u"OCR", u"当前页面尺寸超出 OCR 可处理范围。", MessageIcon::Warning);
    return false;
  }
  std::u16string tesseract = FindTesseract();
  if (tesseract.empty()) return false;
  std::u16string languageData;
  if (!ShippedLanguageData(languageData)) return false;
  OcrWorkFiles files;
  if (!CreateWorkFiles(files)) {
    ShowMessage(u"OCR", u"无法创建 OCR 临时文件。", MessageIcon::Error);
    return false;
  }
  if (!WriteBmp24(files.image, bgra, width, height, stride)) {
    ShowMessage(u"OCR", u"无法生成 OCR 页面图像。", MessageIcon::Error);
    return false;
  }

  ChildRequest request;
  request.program = tesseract;
  request.arguments = {files.image, files.outputBase, u"-l", u"chi_sim+eng", u"--psm", u"3"};
  if (!languageData.empty()) {
    request.arguments.push_back(u"--tessdata-dir");
    request.arguments.push_back(languageData);
  }
  // One thread per run: OpenMP's default makes it several times slower on small machines.
  request.environment = {"OMP_THREAD_LIMIT=1"};
  request.logPath = files.log;
  request.busyText = u"正在识别所选区域...";
  ChildResult run = RunChild(request);

  if (run.end == ChildEnd::Cancelled) return false;
  if (run.end == ChildEnd::StartFailed) {
    ReportOcrFailure(FillPlaceholders(u"系统错误 %d：%s。", {Num(run.error), SystemErrorDescription(run.error)}));
    return false;
  }
  std::u16string log;
  bool logReadable = ReadOcrText(files.log, false, log);
  if (!logReadable) log = u"无法读取 OCR 进程日志。";
  if (run.end == ChildEnd::TimedOut) {
    std::u16string detail = u"识别超时（5 分钟）。";
    if (!log.empty()) detail += u"\n" + log;
    ReportOcrFailure(detail);
    return false;
  }
  if (run.end == ChildEnd::Exited && run.exitCode == 0) {
    if (!logReadable || MentionsMissingLanguage(log)) {
      ReportOcrFailure(log);
      return false;
    }
    std::u16string text;
    if (!ReadOcrText(files.result, true, text)) {
      ReportOcrFailure(u"无法读取识别结果文件。");
      return false;
    }
    ShowOcrResult(text.empty() ? u"未识别到文字。" : text);
    return true;
  }
  ReportOcrFailure(log.empty() ? u"Tesseract 退出代码：" + Num(run.exitCode) + u"。" : log);
  return false;
}
