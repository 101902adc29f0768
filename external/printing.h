// Printing the open document: the choices of the print dialog, the duplex decision, the page
// order for copies and collation, and each page rendered at the printer's resolution,
// scaled to the sheet and centred.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class DuplexMode { Simplex, LongEdge, ShortEdge };

struct PrintChoice {
  int copies = 1;
  bool collate = false;
  bool hasRange = false;  // from and to count from 1
  int from = 0;
  int to = 0;
  bool duplexRequested = false;  // the "双面打印（长边翻页）" box was ticked
  bool duplexBoxFailed = false;  // the box could not be added to the dialog
};

// The printer as the print command sees it; the window fills it with Qt, tests with a PDF file.
struct PrinterSeam {
  // Nothing when the user cancelled.
  std::optional<PrintChoice> (*showPrintDialog)(int pageCount) = nullptr;
  bool (*supportsDuplex)() = nullptr;
  DuplexMode (*duplex)() = nullptr;
  bool (*setDuplex)(DuplexMode mode) = nullptr;
  // The printable area in device pixels.
  void (*printableArea)(int& width, int& height) = nullptr;
  bool (*beginJob)(const std::u16string& name) = nullptr;
  // Every page after the first starts a new sheet.
  bool (*newSheet)() = nullptr;
  // Paints top-down BGRA pixels at (x, y) in device pixels, their own size.
  bool (*paint)(const uint8_t* bgra, int width, int height, int stride, int x, int y) = nullptr;
  bool (*endJob)() = nullptr;
  void (*abortJob)() = nullptr;
};

extern PrinterSeam g_printer;

// Page indexes (from 0) in printing order: collated copies repeat the range, uncollated ones
// repeat each page.
std::vector<int> PrintPageOrder(int first, int last, int copies, bool collate);

struct PrintPlacement {
  int x = 0, y = 0, width = 0, height = 0;
};
// The page scaled to fit the printable area keeping its proportions, centred.
PrintPlacement PlacePageOnSheet(float pageWidth, float pageHeight, int areaWidth, int areaHeight);

// The duplex setting to apply: nothing when the printer is left as it is.
std::optional<DuplexMode> DuplexToApply(bool requested, bool supported, DuplexMode current);

// The print command: dialog, checks, job. Shows its own messages; never changes the document.
void PrintDocument();
