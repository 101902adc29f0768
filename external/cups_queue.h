// Handing a finished PDF to a CUPS queue through libcups, as the queue's own PDF job.
#pragma once

#include <string>
#include <utility>
#include <vector>

using QueueOptions = std::vector<std::pair<std::string, std::string>>;

// True when the scheduler knows a queue of this name.
bool IsCupsQueue(const std::string& name);

struct CupsJobOptions {
  std::string title;
  std::string sides;  // "one-sided", "two-sided-long-edge", "two-sided-short-edge"
  std::string media;  // "A4", "Letter"...; empty: the queue's default
  // The print dialog's choices as CUPS options (number-up, job-hold-until, a tray, the
  // orientation...). Those the editor carries out itself are left out when submitting.
  QueueOptions dialogOptions;
};

// The dialog's options without page selection, page order, copies and collation: the file
// already holds the chosen pages in printing order.
QueueOptions OptionsLeftToTheQueue(const QueueOptions& dialogOptions);

struct CupsSubmission {
  int job = 0;         // 0 when the scheduler refused the job
  std::string reason;  // the scheduler's own words when it refused
};

CupsSubmission SubmitPdfToCupsQueue(const std::string& queue, const std::string& pdfPath, const CupsJobOptions& options);
