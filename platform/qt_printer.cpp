#include "platform/qt_printer.h"

#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "external/printing.h"
#include "platform/qt_platform.h"

namespace {

QPointer<QWidget> g_printOwner;
QPrinter* g_qprinter = nullptr;
QPainter* g_painter = nullptr;

QPrinter& Printer() {
  if (g_qprinter == nullptr) g_qprinter = new QPrinter(QPrinter::HighResolution);
  return *g_qprinter;
}

std::optional<PrintChoice> ShowDialog(int pageCount) {
  QPrinter& printer = Printer();
  printer.setCopyCount(1);
  QPrintDialog dialog(&printer, g_printOwner.data());
  auto* duplex = new QCheckBox(QStringLiteral("双面打印（长边翻页）"));
  duplex->setWindowTitle(QStringLiteral("双面打印"));
  dialog.setOptionTabs({duplex});
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, pageCount <= 65535);
  if (pageCount <= 65535) dialog.setMinMax(1, pageCount);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  PrintChoice choice;
  choice.copies = printer.copyCount();
  choice.collate = printer.collateCopies();
  choice.hasRange = printer.printRange() == QPrinter::PageRange;
  choice.from = printer.fromPage();
  choice.to = printer.toPage();
  choice.duplexRequested = duplex->isChecked();
  printer.setCopyCount(1);  // the command prints the copies itself, in the chosen order
  return choice;
}

bool SupportsDuplex() {
  if (Printer().outputFormat() == QPrinter::PdfFormat) return false;
  return QPrinterInfo(Printer()).supportedDuplexModes().size() > 1;
}

DuplexMode CurrentDuplex() {
  switch (Printer().duplex()) {
    case QPrinter::DuplexLongSide:
      return DuplexMode::LongEdge;
    case QPrinter::DuplexShortSide:
      return DuplexMode::ShortEdge;
    default:
      return DuplexMode::Simplex;
  }
}

bool SetDuplex(DuplexMode mode) {
  Printer().setDuplex(mode == DuplexMode::LongEdge    ? QPrinter::DuplexLongSide
                      : mode == DuplexMode::ShortEdge ? QPrinter::DuplexShortSide
                                                      : QPrinter::DuplexNone);
  return true;
}

void PrintableArea(int& width, int& height) {
  QRect area = Printer().pageLayout().paintRectPixels(Printer().resolution());
  width = area.width();
  height = area.height();
}

bool BeginJob(const std::u16string& name) {
  Printer().setDocName(ToQString(name));
  g_painter = new QPainter;
  if (g_painter->begin(&Printer())) return true;
  delete g_painter;
  g_painter = nullptr;
  return false;
}

bool NewSheet() { return Printer().newPage(); }

bool Paint(const uint8_t* bgra, int width, int height, int stride, int x, int y) {
  if (g_painter == nullptr) return false;
  g_painter->drawImage(QPoint(x, y), QImage(bgra, width, height, stride, QImage::Format_RGB32));
  return true;
}

bool EndJob() {
  bool ended = g_painter != nullptr && g_painter->end();
  delete g_painter;
  g_painter = nullptr;
  return ended;
}

void AbortJob() {
  Printer().abort();
  EndJob();
}

}  // namespace

void InstallQtPrinter(QWidget* owner) {
  g_printOwner = owner;
  g_printer.showPrintDialog = ShowDialog;
  g_printer.supportsDuplex = SupportsDuplex;
  g_printer.duplex = CurrentDuplex;
  g_printer.setDuplex = SetDuplex;
  g_printer.printableArea = PrintableArea;
  g_printer.beginJob = BeginJob;
  g_printer.newSheet = NewSheet;
  g_printer.paint = Paint;
  g_printer.endJob = EndJob;
  g_printer.abortJob = AbortJob;
}

void PrintIntoPdfFile(const QString& path, int dotsPerInch) {
  Printer().setOutputFormat(QPrinter::PdfFormat);
  Printer().setOutputFileName(path);
  Printer().setResolution(dotsPerInch);
  Printer().setPageSize(QPageSize(QPageSize::A4));
  Printer().setPageOrientation(QPageLayout::Portrait);
  Printer().setFullPage(false);
  Printer().setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

void PrintOnQueue(const QString& name) {
  Printer().setOutputFormat(QPrinter::NativeFormat);
  Printer().setPrinterName(name);
  Printer().setPageSize(QPageSize(QPageSize::A4));
  Printer().setPageOrientation(QPageLayout::Portrait);
}
