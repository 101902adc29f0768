#include "external/ocr_page_worker.h"

#include "external/ocr_image.h"
#include "external/ocr_run.h"
#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

constexpr long long kHocrLimit = 64LL * 1024 * 1024;

// The page's own files in the run folder; gone with the value.
struct PageFiles {
  std::u16string image, outputBase, hocr, log;
  ~PageFiles() {
    for (const std::u16string* path : {&image, &hocr, &log}) RemoveFile(*path);
  }
};

}  // namespace

OcrPageText RecognisePageImage(const OcrTools& tools, const OcrPageImage& image, OcrFontFiles& fonts,
                               const std::atomic<bool>& stop) {
  OcrPageText result;
  result.pageIndex = image.pageIndex;
  result.width = image.width;
  result.height = image.height;
  PageFiles files;
  std::u16string stem = tools.folder + u"/page" + Num(image.pageIndex + 1);
  files.image = stem + u".bmp";
  files.outputBase = stem;
  files.hocr = stem + u".hocr";
  files.log = stem + u".log";
  if (!WriteBmp24(files.image, image.bgra.data(), image.width, image.height, image.width * 4)) {
    result.problem = u"无法生成 OCR 页面图像。";
    return result;
  }
  ChildRequest request;
  request.program = tools.tesseract;
  request.arguments = {files.image, files.outputBase, u"-l", u"chi_sim+eng", u"--psm", u"3"};
  if (!tools.languageData.empty()) {
    request.arguments.push_back(u"--tessdata-dir");
    request.arguments.push_back(tools.languageData);
  }
  request.arguments.push_back(u"hocr");
  // One thread per run: OpenMP's default makes it several times slower on small machines.
  request.environment = {"OMP_THREAD_LIMIT=1"};
  request.logPath = files.log;
  ChildResult run = RunChildUntil(request, tools.timeoutMs, [&] { return stop.load(); });
  if (run.end == ChildEnd::Cancelled) {
    result.end = OcrPageEnd::Stopped;
    return result;
  }
  if (run.end == ChildEnd::StartFailed) {
    result.problem = u"无法启动本地 OCR 进程（系统错误 " + Num(run.error) + u"）。";
    return result;
  }
  std::u16string log;
  if (!ReadOcrText(files.log, false, log)) log = u"无法读取 OCR 进程日志。";
  if (run.end == ChildEnd::TimedOut) {
    result.problem = u"识别超时（5 分钟）。\n" + log;
    return result;
  }
  if (run.end != ChildEnd::Exited || run.exitCode != 0 || MentionsMissingLanguage(log)) {
    result.problem = log.empty() ? u"Tesseract 退出代码：" + Num(run.exitCode) + u"。" : log;
    return result;
  }
  int fd = OpenForReading(files.hocr);
  std::optional<uint64_t> size = fd >= 0 ? FileSizeOf(fd) : std::nullopt;
  if (fd >= 0) CloseFile(fd);
  std::optional<std::string> hocr = size && *size <= uint64_t(kHocrLimit) ? ReadWholeFile(files.hocr) : std::nullopt;
  if (!hocr) {
    result.problem = u"无法读取识别结果文件。";
    return result;
  }
  std::vector<std::u16string> texts;
  for (const OcrLine& line : ParseHocr(*hocr)) {
    for (OcrRun& run : JoinLineRuns(line)) {
      texts.push_back(run.text);
      result.runs.push_back(std::move(run));
    }
  }
  result.fonts = PrepareOcrFonts(fonts, texts);
  result.end = OcrPageEnd::Recognised;
  return result;
}
