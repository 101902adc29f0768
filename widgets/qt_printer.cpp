#include "widgets/qt_printer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPageRanges>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QSpinBox>

#include <new>

#include "external/printing.h"
#include "platform/file_system.h"
#include "widgets/qt_platform.h"

namespace {

QPointer<QWidget> g_printOwner;
QPrinter* g_qprinter = nullptr;
QPainter* g_painter = nullptr;
// A PDF file is written under a temporary name and renamed when complete, so a failed job
// leaves neither an empty file nor a damaged earlier one.
QString g_fileTarget;
QString g_fileInProgress;
// Qt's print engine property holding the CUPS options as name, value pairs.
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// Qt reports a failed allocation by throwing; the job then fails like any other step.
template <typename Step>
bool WithoutThrowing(Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

QPrinter& Printer() {
  if (g_qprinter == nullptr) g_qprinter = new QPrinter(QPrinter::HighResolution);
  return *g_qprinter;
}

// The dialog also hands its page range and page set to CUPS; the command selects the pages
// itself, so the queue must not select them again.
void DropCupsPageSelection(QPrinter& printer) {
  QStringList options = printer.printEngine()->property(kCupsOptions).toStringList();
  QStringList kept;
  for (qsizetype i = 0; i + 1 < options.size(); i += 2) {
    if (options[i] == QLatin1String("page-ranges") || options[i] == QLatin1String("page-set") ||
        options[i] == QLatin1String("outputorder")) {
      continue;
    }
    kept << options[i] << options[i + 1];
  }
  printer.printEngine()->setProperty(kCupsOptions, kept);
}

// The page range exactly as the user left it in the dialog.
struct TypedRange {
  bool fromTo = false;  // 页数从 ... 到 ...
  int from = 0, to = 0;
  bool pageList = false;  // 页数 with a typed list
  QString listText;
};

// Qt reads the range by its own rules: a backward from/to becomes one page, a page list it
// cannot read becomes every page or an English message. The editor reads the dialog's own
// text instead and hands Qt a harmless page list, so Qt's reading never decides anything.
class EditorPrintDialog : public QPrintDialog {
 public:
  EditorPrintDialog(QPrinter* printer, QWidget* parent) : QPrintDialog(printer, parent) {
    // The list is checked when the dialog closes, so full-width commas can be typed.
    if (auto* list = findChild<QLineEdit*>(QStringLiteral("pagesLineEdit"))) list->setValidator(nullptr);
    // Connected after Qt's own reaction to another printer, so this runs last.
    if (auto* printers = findChild<QComboBox*>(QStringLiteral("printers"))) {
      connect(printers, &QComboBox::currentIndexChanged, this, [this] { OfferPageChoicesForFiles(); });
    }
  }

  void setVisible(bool visible) override {
    QPrintDialog::setVisible(visible);
    if (visible) OfferPageChoicesForFiles();
  }

  // Qt greys out page lists and odd or even pages for a PDF file, as its own file output
  // cannot select pages; the editor lays out the pages itself for every destination.
  void OfferPageChoicesForFiles() {
    for (const char* name : {"pagesRadioButton", "pagesLineEdit", "pageSetCombo", "pageSetLabel"}) {
      if (auto* widget = findChild<QWidget*>(QLatin1String(name))) widget->setEnabled(true);
    }
  }

  TypedRange typed;

  void accept() override {
    auto* fromTo = findChild<QRadioButton*>(QStringLiteral("printRange"));
    auto* from = findChild<QSpinBox*>(QStringLiteral("from"));
    auto* to = findChild<QSpinBox*>(QStringLiteral("to"));
    auto* pageList = findChild<QRadioButton*>(QStringLiteral("pagesRadioButton"));
    auto* list = findChild<QLineEdit*>(QStringLiteral("pagesLineEdit"));
    typed = TypedRange{};
    if (fromTo != nullptr && fromTo->isChecked() && from != nullptr && to != nullptr) {
      typed.fromTo = true;
      typed.from = from->value();
      typed.to = to->value();
    }
    if (pageList != nullptr && pageList->isChecked() && list != nullptr) {
      typed.pageList = true;
      typed.listText = list->text();
      list->setText(QStringLiteral("1"));
    }
    QPrintDialog::accept();
  }
};

void ReadTypedRange(const TypedRange& typed, PrintChoice& choice) {
  if (typed.fromTo) choice.ranges = {PageSpan{typed.from, typed.to}};
  if (!typed.pageList) return;
  std::optional<std::vector<PageSpan>> spans = ParsePageList(typed.listText.toStdU16String());
  choice.rangesUnreadable = !spans.has_value();
  if (spans) choice.ranges = *spans;
}

DuplexMode FromQt(QPrinter::DuplexMode mode) {
  switch (mode) {
    case QPrinter::DuplexLongSide:
      return DuplexMode::LongEdge;
    case QPrinter::DuplexShortSide:
      return DuplexMode::ShortEdge;
    default:
      return DuplexMode::Simplex;
  }
}

std::optional<PrintChoice> ShowDialog(int pageCount) {
  QPrinter& printer = Printer();
  printer.setCopyCount(1);
  printer.setCollateCopies(false);
  printer.setPageOrder(QPrinter::FirstPageFirst);
  printer.setDuplex(QPrinter::DuplexNone);
  // Qt 6.4 accepts the dialog's 页数 field only when the printer already holds a range.
  QPageRanges everyPage;
  everyPage.addRange(1, pageCount);
  printer.setPageRanges(everyPage);
  printer.setPrintRange(QPrinter::AllPages);
  EditorPrintDialog dialog(&printer, g_printOwner.data());
  auto* duplex = new QCheckBox(QStringLiteral("双面打印（长边翻页）"));
  duplex->setWindowTitle(QStringLiteral("双面打印"));
  dialog.setOptionTabs({duplex});
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setMinMax(1, pageCount);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  PrintChoice choice;
  choice.copies = printer.copyCount();
  choice.collate = printer.collateCopies();
  ReadTypedRange(dialog.typed, choice);
  // The combo lists all, odd and even pages in this order.
  auto* pageSet = dialog.findChild<QComboBox*>(QStringLiteral("pageSetCombo"));
  if (pageSet != nullptr && pageSet->isEnabled()) {
    choice.pageSet = pageSet->currentIndex() == 1 ? PageSet::Odd : pageSet->currentIndex() == 2 ? PageSet::Even : PageSet::All;
  }
  choice.reverse = printer.pageOrder() == QPrinter::LastPageFirst;
  choice.duplexRequested = duplex->isChecked();
  choice.dialogDuplex = FromQt(printer.duplex());
  // The command prints the copies itself, in the chosen order.
  printer.setCopyCount(1);
  printer.setCollateCopies(false);
  printer.setPageOrder(QPrinter::FirstPageFirst);
  printer.setPrintRange(QPrinter::AllPages);
  DropCupsPageSelection(printer);
  return choice;
}

bool SupportsDuplex() {
  if (Printer().outputFormat() == QPrinter::PdfFormat) return false;
  return QPrinterInfo(Printer()).supportedDuplexModes().size() > 1;
}

DuplexMode CurrentDuplex() { return FromQt(Printer().duplex()); }

bool SetDuplex(DuplexMode mode) {
  Printer().setDuplex(mode == DuplexMode::LongEdge    ? QPrinter::DuplexLongSide
                      : mode == DuplexMode::ShortEdge ? QPrinter::DuplexShortSide
                                                      : QPrinter::DuplexNone);
  return true;
}

std::string QueueName() {
  if (Printer().outputFormat() != QPrinter::NativeFormat) return {};
  return Printer().printerName().toStdString();
}

std::string MediaName() {
  QPageSize size = Printer().pageLayout().pageSize();
  if (!size.isValid() || size.id() == QPageSize::Custom) return {};
  return size.key().toStdString();
}

QueueOptions DialogQueueOptions() {
  QueueOptions options;
  QStringList pairs = Printer().printEngine()->property(kCupsOptions).toStringList();
  for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) options.emplace_back(pairs[i].toStdString(), pairs[i + 1].toStdString());
  // Qt's own CUPS job carries the orientation apart from its option list.
  if (Printer().pageLayout().orientation() == QPageLayout::Landscape) options.emplace_back("orientation-requested", "4");
  return options;
}

void PrintableArea(int& width, int& height) {
  QRect area = Printer().pageLayout().paintRectPixels(Printer().resolution());
  width = area.width();
  height = area.height();
}

void ForgetFileInProgress() {
  if (g_fileInProgress.isEmpty()) return;
  Printer().setOutputFileName(g_fileTarget);
  g_fileInProgress.clear();
  g_fileTarget.clear();
}

bool BeginJob(const std::u16string& name) {
  Printer().setDocName(ToQString(name));
  if (Printer().outputFormat() == QPrinter::PdfFormat) {
    TempFile file = CreateSaveTemporary(ToU16(Printer().outputFileName()));
    if (file.fd < 0) return false;
    CloseFile(file.fd);
    g_fileTarget = Printer().outputFileName();
    g_fileInProgress = ToQString(file.path);
    Printer().setOutputFileName(g_fileInProgress);
  }
  g_painter = new QPainter;
  if (WithoutThrowing([] { return g_painter->begin(&Printer()); })) return true;
  delete g_painter;
  g_painter = nullptr;
  if (!g_fileInProgress.isEmpty()) RemoveFile(ToU16(g_fileInProgress));
  ForgetFileInProgress();
  return false;
}

bool NewSheet() {
  return WithoutThrowing([] { return Printer().newPage(); });
}

bool Paint(const uint8_t* bgra, int width, int height, int stride, int x, int y) {
  if (g_painter == nullptr) return false;
  QImage band(bgra, width, height, stride, QImage::Format_RGB32);
  if (band.isNull()) return false;
  return WithoutThrowing([&] {
    g_painter->drawImage(QPoint(x, y), band);
    return true;
  });
}

bool EndPainter() {
  bool ended = g_painter != nullptr && WithoutThrowing([] { return g_painter->end(); });
  delete g_painter;
  g_painter = nullptr;
  return ended;
}

bool EndJob() {
  bool ended = EndPainter();
  if (!g_fileInProgress.isEmpty()) {
    std::u16string written = ToU16(g_fileInProgress);
    ended = ended && ReplaceFileWriteThrough(written, ToU16(g_fileTarget)) == 0;
    if (!ended) RemoveFile(written);
  }
  ForgetFileInProgress();
  return ended;
}

void AbortJob() {
  Printer().abort();
  EndPainter();
  if (!g_fileInProgress.isEmpty()) RemoveFile(ToU16(g_fileInProgress));
  ForgetFileInProgress();
}

}  // namespace

void InstallQtPrinter(QWidget* owner) {
  g_printOwner = owner;
  g_printer.showPrintDialog = ShowDialog;
  g_printer.supportsDuplex = SupportsDuplex;
  g_printer.duplex = CurrentDuplex;
  g_printer.setDuplex = SetDuplex;
  g_printer.queueName = QueueName;
  g_printer.mediaName = MediaName;
  g_printer.queueOptions = DialogQueueOptions;
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
