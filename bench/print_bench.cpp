// Printing 100 pages to a CUPS queue (the cups-pdf queue of tests/support/with_private_cups.sh)
// against `lp` of the same PDF to the same queue, each timed until the queue has finished the
// job, in alternating pairs. Also reports the size of the job the editor hands over.
#include <QApplication>
#include <QString>

#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_timing.h"
#include "document/file_writer.h"
#include "document/open_document.h"
#include "document/session.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "external/printing.h"
#include "widgets/qt_printer.h"

namespace {

constexpr int kPages = 100;

// 100 A4 pages of 40 red lines each, also saved as the file `lp` prints.
void BuildDocument(const std::string& path) {
  NewBlankDocument();
  for (int i = 0; i < kPages; ++i) {
    FPDF_PAGE page = i == 0 ? g_engine.FPDF_LoadPage(g_session.document, 0)
                            : g_engine.FPDFPage_New(g_session.document, i, 595, 842);
    for (int k = 0; k < 40; ++k) {
      FPDF_PAGEOBJECT line = g_engine.FPDFPageObj_CreateNewPath(40 + k * 12, 60);
      g_engine.FPDFPath_LineTo(line, 40 + k * 12, 760);
      g_engine.FPDFPageObj_SetStrokeColor(line, 200, 30, 30, 255);
      g_engine.FPDFPath_SetDrawMode(line, 0, 1);
      g_engine.FPDFPage_InsertObject(page, line);
    }
    g_engine.FPDFPage_GenerateContent(page);
    g_engine.FPDF_ClosePage(page);
  }
  g_session.pageCount = kPages;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  FileWriter writer = MakeFileWriter(fd);
  SaveDocumentToFile(g_session.document, writer, kSaveNoIncremental);
  close(fd);
}

// The size the scheduler recorded for the last finished job, in kilobytes.
int LastJobKilobytes(const std::string& queue) {
  cups_job_t* jobs = nullptr;
  int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_COMPLETED);
  int size = 0, newest = 0;
  for (int i = 0; i < count; ++i) {
    if (jobs[i].id > newest) {
      newest = jobs[i].id;
      size = jobs[i].size;
    }
  }
  cupsFreeJobs(count, jobs);
  return size;
}

// Waits until the queue has no job left and the cups-pdf output is removed.
void WaitUntilQueueIsIdle(const std::string& queue, const std::string& outputFolder) {
  for (;;) {
    cups_job_t* jobs = nullptr;
    int active = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(active, jobs);
    if (active <= 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(outputFolder, error)) std::filesystem::remove(entry.path());
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const char* queueVariable = std::getenv("CORVAN_TEST_PRINTER");
  const char* folderVariable = std::getenv("CORVAN_TEST_PRINT_FOLDER");
  if (queueVariable == nullptr || folderVariable == nullptr) {
    std::printf("print_bench: run through tests/support/with_private_cups.sh (needs root and cups-pdf)\n");
    return 0;
  }
  std::string queue = queueVariable, outputFolder = folderVariable;
  QApplication application(argc, argv);
  if (!LoadPdfEngine()) return 1;
  char pattern[] = "/tmp/corvan-print-bench-XXXXXX";
  std::string work = mkdtemp(pattern);
  std::string source = work + "/source.pdf";
  BuildDocument(source);
  InstallQtPrinter(nullptr);
  PrintOnQueue(QString::fromStdString(queue));
  g_printer.showPrintDialog = [](int) -> std::optional<PrintChoice> { return PrintChoice{}; };
  std::string lp = "lp -d '" + queue + "' '" + source + "' >/dev/null";
  std::vector<double> measured, baseline, submitted;
  int jobKilobytes = 0;
  for (int i = 0; i < 5; ++i) {
    auto start = BenchClock::now();
    PrintDocument();
    submitted.push_back(MillisecondsSince(start));
    WaitUntilQueueIsIdle(queue, outputFolder);
    measured.push_back(MillisecondsSince(start));
    jobKilobytes = LastJobKilobytes(queue);
    start = BenchClock::now();
    if (std::system(lp.c_str()) != 0) return 1;
    WaitUntilQueueIsIdle(queue, outputFolder);
    baseline.push_back(MillisecondsSince(start));
  }
  std::printf("BENCH print_100_pages_vs_bare_lp ratio=%.3f target=1.5 (editor %.0f ms of which submitting %.0f ms, lp %.0f ms; "
              "job %d KB for a %.0f KB source)\n",
              MedianPairedRatio(measured, baseline), Median(measured), Median(submitted), Median(baseline),
              jobKilobytes, std::filesystem::file_size(source) / 1024.0);
  CloseSessionDocument();
  std::filesystem::remove_all(work);
  UnloadPdfEngine();
  return 0;
}
