#include "external/cups_queue.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

}  // namespace

bool IsCupsQueue(const std::string& name) {
  if (name.empty()) return false;
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
  cupsFreeDests(dest == nullptr ? 0 : 1, dest);
  return dest != nullptr;
}

QueueOptions OptionsLeftToTheQueue(const QueueOptions& dialogOptions) {
  static const char* const kLaidOutByTheEditor[] = {"page-ranges", "page-set", "outputorder", "copies", "collate",
                                                    "multiple-document-handling"};
  QueueOptions kept;
  for (const auto& [name, value] : dialogOptions) {
    std::string lower = Lower(name);
    bool laidOut = std::any_of(std::begin(kLaidOutByTheEditor), std::end(kLaidOutByTheEditor),
                               [&lower](const char* dropped) { return lower == dropped; });
    if (!laidOut && !name.empty()) kept.emplace_back(name, value);
  }
  return kept;
}

CupsSubmission SubmitPdfToCupsQueue(const std::string& queue, const std::string& pdfPath, const CupsJobOptions& options) {
  cups_option_t* list = nullptr;
  int count = 0;
  for (const auto& [name, value] : OptionsLeftToTheQueue(options.dialogOptions)) {
    count = cupsAddOption(name.c_str(), value.c_str(), count, &list);
  }
  // The file already holds every copy in order: the queue must not select or repeat pages.
  count = cupsAddOption("copies", "1", count, &list);
  count = cupsAddOption("sides", options.sides.c_str(), count, &list);
  if (!options.media.empty()) count = cupsAddOption("media", options.media.c_str(), count, &list);
  // Each page scaled to the sheet keeping its proportions and never turned, as in a PDF file.
  count = cupsAddOption("print-scaling", "fit", count, &list);
  count = cupsAddOption("pdftopdfAutoRotate", "false", count, &list);
  count = cupsAddOption("document-format", "application/pdf", count, &list);
  CupsSubmission submission;
  submission.job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.c_str(), pdfPath.c_str(), options.title.c_str(), count, list);
  if (submission.job == 0) {
    const char* reason = cupsLastErrorString();
    submission.reason = reason != nullptr ? reason : "";
  }
  cupsFreeOptions(count, list);
  return submission;
}
