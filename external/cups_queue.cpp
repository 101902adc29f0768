#include "external/cups_queue.h"

#include <cups/cups.h>

bool IsCupsQueue(const std::string& name) {
  if (name.empty()) return false;
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
  cupsFreeDests(dest == nullptr ? 0 : 1, dest);
  return dest != nullptr;
}

int SubmitPdfToCupsQueue(const std::string& queue, const std::string& pdfPath, const CupsJobOptions& options) {
  cups_option_t* list = nullptr;
  int count = 0;
  // The file already holds every copy in order: the queue must not select or repeat pages.
  count = cupsAddOption("copies", "1", count, &list);
  count = cupsAddOption("sides", options.sides.c_str(), count, &list);
  if (!options.media.empty()) count = cupsAddOption("media", options.media.c_str(), count, &list);
  count = cupsAddOption("document-format", "application/pdf", count, &list);
  int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.c_str(), pdfPath.c_str(), options.title.c_str(), count, list);
  cupsFreeOptions(count, list);
  return job;
}
