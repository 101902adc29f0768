// Printing through the real print dialog to the cups-pdf queue of
// tests/support/with_private_cups.sh: the job goes through the scheduler, its filters and the
// cups-pdf backend, which writes it into the run's folder.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "app/gui_test.h"
#include "external/printing.h"
#include "platform/text_encoding.h"
#include "widgets/qt_printer.h"

namespace {

const std::vector<std::string> kWords{"alpha", "bravo", "charlie", "delta"};

// Four A4 pages, each with one word in a standard font and a line under it.
void WriteWordPages(const std::string& path) {
  std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (size_t i = 0; i < kWords.size(); ++i) {
    int page = 3 + int(i) * 2;
    kids += std::to_string(page) + " 0 R ";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 " +
                      std::to_string(3 + kWords.size() * 2) + " 0 R >> >> /Contents " + std::to_string(page + 1) +
                      " 0 R >>");
    std::string content = "BT /F1 28 Tf 100 700 Td (" + kWords[i] + ") Tj ET 100 690 m 400 690 l S";
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  }
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(kWords.size()) + " >>";
  objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  WritePdfObjects(path, objects);
}

std::string CommandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  char buffer[4096];
  size_t read;
  while (pipe && (read = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) text.append(buffer, read);
  return text;
}

// The text of every page of a printed file, one entry per page, trimmed ("" for a blank page).
std::vector<std::string> PrintedPages(const std::filesystem::path& file) {
  std::string info = CommandOutput("pdfinfo '" + file.string() + "' 2>/dev/null");
  size_t at = info.find("Pages:");
  int count = at == std::string::npos ? 0 : std::atoi(info.c_str() + at + 6);
  std::vector<std::string> pages;
  for (int page = 1; page <= count; ++page) {
    std::string text = CommandOutput("pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" +
                                     file.string() + "' - 2>/dev/null");
    std::string trimmed;
    for (char c : text) {
      if (!std::isspace(static_cast<unsigned char>(c)) && c != '\f') trimmed += c;
    }
    pages.push_back(trimmed);
  }
  return pages;
}

std::vector<std::string> Words(std::initializer_list<int> pageNumbers) {
  std::vector<std::string> words;
  for (int number : pageNumbers) words.push_back(number == 0 ? "" : kWords[number - 1]);
  return words;
}

class PrintQueueTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    const char* queue = std::getenv("CORVAN_TEST_PRINTER");
    const char* folder = std::getenv("CORVAN_TEST_PRINT_FOLDER");
    const char* pageLog = std::getenv("CORVAN_TEST_PAGE_LOG");
    if (queue == nullptr || folder == nullptr || pageLog == nullptr) {
      GTEST_SKIP() << "runs in its own entry, against a private CUPS queue";
    }
    queue_ = queue;
    outputFolder_ = folder;
    pageLog_ = pageLog;
    WriteWordPages(WorkPath("words.pdf"));
    StartWindow({QString::fromStdString(WorkPath("words.pdf"))});
    InstallQtPrinter(nullptr);
    PrintOnQueue(QString::fromStdString(queue_));
  }

  // Runs the print command; once its dialog is up, `fill` sets the dialog's fields, then OK.
  void PrintWithDialog(const std::function<void(QPrintDialog&)>& fill) {
    logLinesBefore_ = PageLogLines().size();
    bool shown = false;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || shown) return;
      shown = true;
      fill(*dialog);
      dialog->accept();
    });
    poll->start(20);
    PrintDocument();
    delete poll;
    ASSERT_TRUE(shown) << "the print dialog did not come up";
  }

  // The pages cups-pdf wrote for the job, once complete (gs writes the file as it goes).
  std::vector<std::string> NextPrintedPages() {
    for (int tries = 0; tries < 600; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(outputFolder_, error)) {
        if (entry.path().extension() != ".pdf") continue;
        std::string bytes = ReadBytes(entry.path().string());
        if (bytes.size() < 16 || bytes.find("%%EOF", bytes.size() - 16) == std::string::npos) continue;
        std::vector<std::string> pages = PrintedPages(entry.path());
        std::filesystem::remove(entry.path());
        return pages;
      }
    }
    ADD_FAILURE() << "nothing arrived in " << outputFolder_;
    return {};
  }

  std::vector<std::string> PageLogLines() {
    std::istringstream log(Exists(pageLog_) ? ReadBytes(pageLog_) : std::string());
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }

  // The scheduler's page log line of the job printed last (job name, media, sides).
  std::string LastPageLogLine() {
    for (int tries = 0; tries < 100; ++tries) {
      std::vector<std::string> lines = PageLogLines();
      if (lines.size() > logLinesBefore_) return lines.back();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
  }

  std::string queue_;
  std::filesystem::path outputFolder_;
  std::string pageLog_;
  size_t logLinesBefore_ = 0;
};

void ChooseFromTo(QPrintDialog& dialog, int from, int to) {
  dialog.findChild<QRadioButton*>(QStringLiteral("printRange"))->setChecked(true);
  dialog.findChild<QSpinBox*>(QStringLiteral("from"))->setValue(from);
  dialog.findChild<QSpinBox*>(QStringLiteral("to"))->setValue(to);
}

void ChooseCopies(QPrintDialog& dialog, int copies, bool collate) {
  dialog.findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(copies);
  dialog.findChild<QCheckBox*>(QStringLiteral("collate"))->setChecked(collate);
}

TEST_F(PrintQueueTest, RangesPageSetsAndReverseOrderPrintExactlyTheChosenPagesAsText) {
  PrintWithDialog([](QPrintDialog& dialog) { ChooseFromTo(dialog, 2, 3); });
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  // The words come back as text: the pages were not turned into pictures.
  EXPECT_EQ(NextPrintedPages(), Words({2, 3}));

  PrintWithDialog([](QPrintDialog& dialog) {
    dialog.findChild<QRadioButton*>(QStringLiteral("pagesRadioButton"))->setChecked(true);
    dialog.findChild<QLineEdit*>(QStringLiteral("pagesLineEdit"))->setText(QStringLiteral("1,3"));
  });
  EXPECT_EQ(NextPrintedPages(), Words({1, 3}));

  PrintWithDialog([](QPrintDialog& dialog) { dialog.findChild<QComboBox*>(QStringLiteral("pageSetCombo"))->setCurrentIndex(1); });
  EXPECT_EQ(NextPrintedPages(), Words({1, 3}));

  // Even pages, two uncollated copies: each even page twice, nothing filtered again by CUPS.
  PrintWithDialog([](QPrintDialog& dialog) {
    dialog.findChild<QComboBox*>(QStringLiteral("pageSetCombo"))->setCurrentIndex(2);
    ChooseCopies(dialog, 2, false);
  });
  EXPECT_EQ(NextPrintedPages(), Words({2, 2, 4, 4}));

  PrintWithDialog([](QPrintDialog& dialog) { dialog.findChild<QCheckBox*>(QStringLiteral("reverse"))->setChecked(true); });
  EXPECT_EQ(NextPrintedPages(), Words({4, 3, 2, 1}));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  // The PDF handed to the queue does not outlive the submission.
  for (const std::string& name : TempFiles()) EXPECT_EQ(name.find("corvan-print-"), std::string::npos) << name;
}

TEST_F(PrintQueueTest, CopiesOfARangeComeCollatedOrUncollatedAndTheNextJobStartsFresh) {
  PrintWithDialog([](QPrintDialog& dialog) {
    ChooseFromTo(dialog, 2, 3);
    ChooseCopies(dialog, 2, true);
  });
  EXPECT_EQ(NextPrintedPages(), Words({2, 3, 2, 3}));
  PrintWithDialog([](QPrintDialog& dialog) {
    ChooseFromTo(dialog, 2, 3);
    ChooseCopies(dialog, 2, false);
  });
  EXPECT_EQ(NextPrintedPages(), Words({2, 2, 3, 3}));
  // Nothing of the last job's choices is kept.
  PrintWithDialog([](QPrintDialog&) {});
  EXPECT_EQ(NextPrintedPages(), Words({1, 2, 3, 4}));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(PrintQueueTest, EitherDuplexControlMakesATwoSidedJobNamedForTheEditor) {
  PrintWithDialog([](QPrintDialog& dialog) {
    QRadioButton* longEdge = dialog.findChild<QRadioButton*>(QStringLiteral("duplexLong"));
    ASSERT_TRUE(longEdge->isEnabled());
    longEdge->setChecked(true);
  });
  EXPECT_EQ(NextPrintedPages(), Words({1, 2, 3, 4}));
  std::string line = LastPageLogLine();
  EXPECT_NE(line.find("two-sided-long-edge"), std::string::npos) << line;
  EXPECT_NE(line.find("words.pdf"), std::string::npos) << line;  // named after the document
  EXPECT_NE(line.find(" A4 "), std::string::npos) << line;

  // The editor's own box; three pages in two collated copies: the second copy starts on a
  // fresh sheet, so a blank back follows the first.
  PrintWithDialog([](QPrintDialog& dialog) {
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
      if (box->text() == QStringLiteral("双面打印（长边翻页）")) box->setChecked(true);
    }
    ChooseFromTo(dialog, 1, 3);
    ChooseCopies(dialog, 2, true);
  });
  EXPECT_EQ(NextPrintedPages(), Words({1, 2, 3, 0, 1, 2, 3}));
  line = LastPageLogLine();
  EXPECT_NE(line.find("two-sided-long-edge"), std::string::npos) << line;

  PrintWithDialog([](QPrintDialog&) {});
  EXPECT_EQ(NextPrintedPages(), Words({1, 2, 3, 4}));
  line = LastPageLogLine();
  EXPECT_NE(line.find("one-sided"), std::string::npos) << line;
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

// The scheduler's files of the job submitted last: its control file (IPP attributes) and the
// document it received, found in the spool folder next to the queue's output folder.
struct SpooledJob {
  std::string name;
  std::string control;
  std::string document;
};

SpooledJob LastSpooledJob(const std::filesystem::path& outputFolder) {
  std::filesystem::path spool = outputFolder.parent_path() / "spool";
  // The newest document's control file, which the scheduler writes a moment after taking the job.
  std::string number;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(spool, error)) {
    std::string name = entry.path().filename().string();
    if (name.size() == 10 && name[0] == 'd' && name.substr(1, 5) > number) number = name.substr(1, 5);
  }
  if (number.empty()) return {};
  std::string newest = "c" + number;
  for (int tries = 0; tries < 50 && !Exists((spool / newest).string()); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return SpooledJob{newest, ReadBytes((spool / newest).string()),
                    Exists((spool / ("d" + number + "-001")).string()) ? ReadBytes((spool / ("d" + number + "-001")).string())
                                                                        : std::string()};
}

// Opens the dialog's 属性 box, lets `fill` set its fields, and confirms it with its OK button.
void UsePropertiesBox(QPrintDialog& dialog, const std::function<void(QDialog&)>& fill) {
  auto* properties = dialog.findChild<QPushButton*>(QStringLiteral("properties"));
  ASSERT_TRUE(properties != nullptr && properties->isEnabled());
  bool shown = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (box == nullptr || box == &dialog || shown) return;
    shown = true;
    fill(*box);
    for (QPushButton* button : box->findChildren<QPushButton*>()) {
      if (button->text().contains(QStringLiteral("确定")) || button->text().contains(QStringLiteral("OK"))) {
        QTest::mouseClick(button, Qt::LeftButton);
        return;
      }
    }
    ADD_FAILURE() << "no OK button in the properties box";
    box->reject();
  });
  poll.start(20);
  QTest::mouseClick(properties, Qt::LeftButton);
  EXPECT_TRUE(shown) << "the properties box did not come up";
}

// Chooses, with the keyboard, the first entry of a combo box whose text holds one of `wanted`.
void ChooseInCombo(QComboBox* combo, const QStringList& wanted) {
  ASSERT_TRUE(combo != nullptr);
  int target = -1;
  for (int i = 0; i < combo->count() && target < 0; ++i) {
    for (const QString& text : wanted) {
      if (combo->itemText(i).contains(text)) target = i;
    }
  }
  ASSERT_GE(target, 0) << wanted.join(u'|').toStdString();
  while (combo->currentIndex() < target) QTest::keyClick(combo, Qt::Key_Down);
  while (combo->currentIndex() > target) QTest::keyClick(combo, Qt::Key_Up);
}

TEST_F(PrintQueueTest, LandscapeNumberUpAHoldAndBillingReachTheJobWithTheChosenPagesAsText) {
  PrintWithDialog([](QPrintDialog& dialog) {
    UsePropertiesBox(dialog, [](QDialog& box) {
      auto* landscape = box.findChild<QRadioButton*>(QStringLiteral("landscape"));
      ASSERT_TRUE(landscape != nullptr);
      QTest::mouseClick(landscape, Qt::LeftButton, {}, QPoint(4, landscape->height() / 2));
      ChooseInCombo(box.findChild<QComboBox*>(QStringLiteral("pagesPerSheetCombo")), {QStringLiteral("2")});
      ChooseInCombo(box.findChild<QComboBox*>(QStringLiteral("jobHoldComboBox")),
                    {QStringLiteral("无限"), QStringLiteral("Indefinite")});
      auto* billing = box.findChild<QLineEdit*>(QStringLiteral("jobBillingLineEdit"));
      ASSERT_TRUE(billing != nullptr);
      QTest::mouseClick(billing, Qt::LeftButton);
      QTest::keyClicks(billing, QStringLiteral("class7b"));
    });
    ChooseFromTo(dialog, 2, 3);
  });
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  // Held: the scheduler keeps the job and its document in the spool folder.
  SpooledJob job = LastSpooledJob(outputFolder_);
  ASSERT_FALSE(job.control.empty());
  for (const char* expected : {"number-up", "job-hold-until", "indefinite", "job-billing", "class7b",
                               "orientation-requested", "print-scaling", "fit", "words.pdf"}) {
    EXPECT_NE(job.control.find(expected), std::string::npos) << expected << " not in " << job.name;
  }
  // The editor selected the pages itself: nothing asks the queue to select them again.
  EXPECT_EQ(job.control.find("page-ranges"), std::string::npos);
  std::string submitted = WorkPath("submitted.pdf");
  WriteBytes(submitted, job.document);
  EXPECT_EQ(PrintedPages(submitted), Words({2, 3}));
  EXPECT_EQ(std::system("cancel -a CorvanPrintTest"), 0);
  // The progress box counted the pages.
  ASSERT_FALSE(g_script.busyUpdates.empty());
  EXPECT_EQ(g_script.busyUpdates.back(), u"正在打印... 第 2 / 2 页");
}

TEST_F(PrintQueueTest, AJobTheQueueRefusesIsReportedWithTheSchedulersReason) {
  ASSERT_EQ(std::system(("cupsreject " + queue_).c_str()), 0);
  PrintWithDialog([](QPrintDialog&) {});
  std::system(("cupsaccept " + queue_).c_str());
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"打印失败");
  std::string text = Utf8(g_script.boxes[0].text);
  EXPECT_EQ(text.rfind("无法完成打印作业：", 0), 0u) << text;
  EXPECT_NE(text.find("not accepting jobs"), std::string::npos) << text;
}

}  // namespace
