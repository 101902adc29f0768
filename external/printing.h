// Printing the open document: the choices of the print dialog and the duplex decision. A CUPS
// queue receives the chosen pages as a PDF copy (text and lines stay as they are); a PDF file
// or another printer receives each page rendered at the printer's resolution, scaled to the
// sheet and centred, in bands of bounded size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "external/cups_queue.h"
#include "external/print_pages.h"

enum class DuplexMode { Simplex, LongEdge, ShortEdge };

struct PrintChoice {
  int copies = 1;
  bool collate = false;
  std::vector<PageSpan> ranges;  // empty: every page
  bool rangesUnreadable = false;  // the typed page list is not a list of pages
  PageSet pageSet = PageSet::All;
  bool reverse = false;
  bool duplexRequested = false;  // the "双面打印（长边翻页）" box was ticked
  DuplexMode dialogDuplex = DuplexMode::Simplex;  // the dialog's own duplex choice
  bool duplexBoxFailed = false;  // the box could not be added to the dialog
};

// The printer as the print command sees it; the window fills it with Qt, tests with a PDF file.
struct PrinterSeam {
  // Nothing when the user cancelled.
  std::optional<PrintChoice> (*showPrintDialog)(int pageCount) = nullptr;
  bool (*supportsDuplex)() = nullptr;
  DuplexMode (*duplex)() = nullptr;
  bool (*setDuplex)(DuplexMode mode) = nullptr;
  // The CUPS queue chosen, empty when printing into a file; and its sheet size ("A4").
  std::string (*queueName)() = nullptr;
  std::string (*mediaName)() = nullptr;
  // The dialog's choices as CUPS options, the sheet's orientation among them.
  QueueOptions (*queueOptions)() = nullptr;
  // The printable area in device pixels.
  void (*printableArea)(int& width, int& height) = nullptr;
  bool (*beginJob)(const std::u16string& name) = nullptr;
  // Every page after the first starts a new sheet.
  bool (*newSheet)() = nullptr;
  // Paints top-down BGRA pixels at (x, y) in device pixels, their own size.
  bool (*paint)(const uint8_t* bgra, int width, int height, int stride, int x, int y) = nullptr;
  bool (*endJob)() = nullptr;
  // Stops the job; a file being written is removed.
  void (*abortJob)() = nullptr;
};

extern PrinterSeam g_printer;

struct PrintPlacement {
  int x = 0, y = 0, width = 0, height = 0;
};
// The page scaled to fit the printable area keeping its proportions, centred.
PrintPlacement PlacePageOnSheet(float pageWidth, float pageHeight, int areaWidth, int areaHeight);

// The duplex setting to apply: nothing when the printer is left as it is.
std::optional<DuplexMode> DuplexToApply(bool requested, bool supported, DuplexMode current);

// Rows per rendered band: the sheet's rows, at most as many as fit in the band budget.
int BandRows(int width, int height);

// The print command: dialog, checks, job. Shows its own messages; never changes the document.
void PrintDocument();
