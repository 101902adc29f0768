// The external programs: the whole OCR command on an A5 region against a bare `tesseract` run
// on the same BMP with the same arguments, and opening a 20-page .docx through the converter
// against a bare `soffice --convert-to pdf` of it (each with a fresh profile), in one run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "content/font_table.h"
#include "document/open_document.h"
#include "document/session.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "external/ocr_image.h"
#include "external/ocr_region.h"
#include "external/ocr_run.h"
#include "external/office_conversion.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

extern char** environ;

namespace {

// The bare baseline: spawn and wait, nothing else.
void RunBare(std::vector<std::string> argv, const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> env(extraEnvironment);
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  std::vector<char*> args, envp;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0) waitpid(pid, nullptr, 0);
  posix_spawn_file_actions_destroy(&actions);
}

void AddLine(const std::u16string& text, float y) {
  FPDF_FONT font = DefaultFontFor(text);
  FPDF_PAGEOBJECT object = g_engine.FPDFPageObj_CreateTextObj(g_session.document, font, 16);
  g_engine.FPDFText_SetText(object, reinterpret_cast<FPDF_WIDESTRING>(text.c_str()));
  g_engine.FPDFPageObj_SetFillColor(object, 0, 0, 0, 255);
  g_engine.FPDFPageObj_Transform(object, 1, 0, 0, 1, 60, y);
  g_engine.FPDFPage_InsertObject(g_session.currentPage, object);
}

void BenchOcr(const std::string& work) {
  NewBlankDocument();
  for (int line = 0; line < 12; ++line) AddLine(u"第" + Num(line + 1) + u"行：勾股定理 Pythagoras a² + b² = c²", 800 - 30 * line);
  g_engine.FPDFPage_GenerateContent(g_session.currentPage);
  // The top half of an A4 page is an A5 region.
  auto image = RenderOcrRegion(g_session.currentPage, 595, 842, {0, 0, 595, 842}, {0, 0, 595, 421});
  std::u16string bmp = Utf8ToUtf16(work + "/region.bmp");
  WriteBmp24(bmp, image->pixels.data(), image->width, image->height, image->width * 4);
  std::string tesseract = Utf8(FindTesseract());
  std::vector<double> measured, baseline;
  for (int i = 0; i < 3; ++i) {
    auto start = BenchClock::now();
    RunOcr(image->pixels.data(), image->width, image->height, image->width * 4);
    measured.push_back(MillisecondsSince(start));
    start = BenchClock::now();
    RunBare({tesseract, Utf8(bmp), work + "/bare", "-l", "chi_sim+eng", "--psm", "3"}, {"OMP_THREAD_LIMIT=1"});
    baseline.push_back(MillisecondsSince(start));
  }
  std::printf("BENCH ocr_command_vs_bare_tesseract ratio=%.3f target=1.15 (command %.0f ms, bare %.0f ms, A5 region %dx%d px)\n",
              MedianPairedRatio(measured, baseline), Median(measured), Median(baseline), image->width, image->height);
}

void BenchOffice(const std::string& work) {
  std::ofstream fodt(work + "/twenty.fodt");
  fodt << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles><style:style style:name="B" style:family="paragraph"><style:paragraph-properties fo:break-before="page"/></style:style></office:automatic-styles>
<office:body><office:text>)";
  for (int page = 1; page <= 20; ++page) {
    fodt << "<text:p" << (page > 1 ? " text:style-name=\"B\"" : "") << ">第 " << page << " 页 Page " << page << "</text:p>";
    for (int line = 0; line < 20; ++line) fodt << "<text:p>勾股定理 The square of the hypotenuse equals the sum of the squares.</text:p>";
  }
  fodt << "</office:text></office:body></office:document>\n";
  fodt.close();
  RunBare({"soffice", "-env:UserInstallation=file://" + work + "/fixture-profile", "--headless", "--convert-to", "docx",
           "--outdir", work, work + "/twenty.fodt"}, {});
  std::u16string docx = Utf8ToUtf16(work + "/twenty.docx");
  std::vector<double> measured, baseline;
  for (int i = 0; i < 3; ++i) {
    OfficeConversion record;
    auto start = BenchClock::now();
    bool converted = ConvertOfficeToPdf(docx, record);
    measured.push_back(MillisecondsSince(start));
    if (!converted) std::fprintf(stderr, "conversion failed\n");
    DiscardConversion(record);
    std::string profile = work + "/bare-profile-" + std::to_string(i);
    start = BenchClock::now();
    RunBare({"soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to", "pdf", "--outdir",
             work + "/bare-out", Utf8(docx)}, {});
    baseline.push_back(MillisecondsSince(start));
    std::filesystem::remove_all(profile);
  }
  std::printf("BENCH docx20_conversion_vs_bare_soffice ratio=%.3f target=1.10 (converter %.0f ms, bare soffice %.0f ms, 20 pages)\n",
              MedianPairedRatio(measured, baseline), Median(measured), Median(baseline));
}

}  // namespace

int main() {
  if (!LoadPdfEngine()) return 1;
  char pattern[] = "/tmp/corvan-external-bench-XXXXXX";
  std::string work = mkdtemp(pattern);
  setenv("TMPDIR", work.c_str(), 1);
  g_platform.showOcrResult = [](const std::u16string&) {};
  BenchOcr(work);
  BenchOffice(work);
  CloseSessionDocument();
  std::filesystem::remove_all(work);
  UnloadPdfEngine();
  return 0;
}
