// Handing a finished PDF to a CUPS queue through libcups, as the queue's own PDF job.
#pragma once

#include <string>

// True when the scheduler knows a queue of this name.
bool IsCupsQueue(const std::string& name);

struct CupsJobOptions {
  std::string title;
  std::string sides;  // "one-sided", "two-sided-long-edge", "two-sided-short-edge"
  std::string media;  // "A4", "Letter"...; empty: the queue's default
};

// The job id, or 0 when the scheduler refused the job.
int SubmitPdfToCupsQueue(const std::string& queue, const std::string& pdfPath, const CupsJobOptions& options);
