// The real Qt dialogs of the platform seam: Chinese texts whatever LANG says, and the folders
// file dialogs start in.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "drawing/marks.h"
#include "external/printing.h"
#include "platform/platform_seam.h"
#include "view/command_ids.h"
#include "widgets/qt_platform.h"
#include "widgets/qt_printer.h"

namespace {

class DialogsTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    previousDirectory_ = QDir::currentPath();
    // The program was started somewhere else than where the lesson lives.
    std::filesystem::create_directories(WorkPath("started-here"));
    std::filesystem::create_directories(WorkPath("lessons"));
    QDir::setCurrent(QString::fromStdString(WorkPath("started-here")));
  }
  void TearDown() override {
    QDir::setCurrent(previousDirectory_);
    GuiTest::TearDown();
  }

  // Starts the window with a modified lesson open and the real Qt dialogs in place.
  void StartWithModifiedLesson() {
    WriteNumberedPdf(WorkPath("lessons/lesson.pdf"), 2);
    StartWindow({QString::fromStdString(WorkPath("lessons/lesson.pdf"))});
    EditOnce();
    InstallQtPlatform(window_);
  }

  // Runs `handle` on the next modal dialog, nested ones included; the handler must close it.
  static void WhenModalOpens(std::function<void(QWidget*)> handle, QWidget* notThis = nullptr) {
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, handle, notThis, waited] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr && modal != notThis) {
        poll->deleteLater();
        poll->stop();
        handle(modal);
      } else if (++*waited > 250) {
        poll->deleteLater();
        poll->stop();
        ADD_FAILURE() << "no dialog opened";
      }
    });
    poll->start(20);
  }

  // Types a name into the dialog's file name field, as the user would.
  static void TypeFileName(QFileDialog* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, name);
  }

  static QStringList ButtonTexts(QMessageBox* box) {
    QStringList texts;
    for (QAbstractButton* button : box->buttons()) texts << button->text();
    texts.sort();
    return texts;
  }

  // Every label and button text a dialog shows.
  static QStringList ShownTexts(QWidget* dialog) {
    QStringList texts;
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
      if (label->isVisible() && !label->text().isEmpty()) texts << label->text();
    }
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
      if (button->isVisible() && !button->text().isEmpty()) texts << button->text();
    }
    return texts;
  }

  // Reads the default and escape buttons of the next box, then presses `key` on it as a user would.
  static void AnswerNextBoxWithKey(int key, QString& defaultButton, QString& escapeButton) {
    WhenModalOpens([&, key](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      defaultButton = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
      escapeButton = box->escapeButton() != nullptr ? box->escapeButton()->text() : QString();
      QTest::keyClick(box, Qt::Key(key));
    });
  }

  QString previousDirectory_;
};

bool HasChinese(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
  }
  return false;
}

TEST_F(DialogsTest, TheCloseQuestionsButtonsSayWhatItsTextNames) {
  StartWithModifiedLesson();
  QString caption, text;
  QStringList buttons;
  WhenModalOpens([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    text = box->text();
    buttons = ButtonTexts(box);
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_FALSE(window_->close());  // 取消：继续编辑
  EXPECT_EQ(caption, QStringLiteral("PDF 已修改"));
  EXPECT_EQ(text, QStringLiteral("文件中的更改尚未保存。\n是：保存 PDF 副本；否：丢弃更改；取消：继续编辑。"));
  EXPECT_EQ(buttons, (QStringList{QStringLiteral("取消"), QStringLiteral("否"), QStringLiteral("是")}));
  EXPECT_TRUE(g_session.modified);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(DialogsTest, AWarningsOkAndCancelAreChineseAndCancelIsTheDefault) {
  StartWithModifiedLesson();
  QStringList buttons;
  QString defaultButton;
  WhenModalOpens([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    buttons = ButtonTexts(box);
    defaultButton = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
    box->button(QMessageBox::Cancel)->click();
  });
  RouteCommand(kCmdForceErase);  // asks first
  EXPECT_EQ(buttons, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
  EXPECT_EQ(defaultButton, QStringLiteral("取消"));
}

TEST_F(DialogsTest, EraseAllAsksWithNoAsTheDefaultAndNeitherEnterNorEscapeErases) {
  StartWithModifiedLesson();
  // The edit's line becomes a stroke of the editor's own, the only kind 全部擦除 takes.
  FPDF_PAGEOBJECT stroke = g_engine.FPDFPage_GetObject(g_session.currentPage, CurrentObjectCount() - 1);
  ASSERT_TRUE(AddInkMark(stroke, g_engine));
  int objects = CurrentObjectCount();
  for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
    QString defaultButton, escapeButton;
    AnswerNextBoxWithKey(key, defaultButton, escapeButton);
    RouteCommand(kCmdEraseAll);
    EXPECT_EQ(defaultButton, QStringLiteral("否"));
    EXPECT_EQ(escapeButton, QStringLiteral("否"));
    EXPECT_EQ(CurrentObjectCount(), objects) << "key " << key;
  }
  WhenModalOpens([](QWidget* modal) { static_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click(); });
  RouteCommand(kCmdEraseAll);
  EXPECT_LT(CurrentObjectCount(), objects) << "是 still erases";
}

TEST_F(DialogsTest, EnterOnTheCloseQuestionKeepsEditingAndEveryBareQuestionDefaultsToNo) {
  StartWithModifiedLesson();
  QString defaultButton, escapeButton;
  AnswerNextBoxWithKey(Qt::Key_Return, defaultButton, escapeButton);
  EXPECT_FALSE(window_->close());
  EXPECT_EQ(defaultButton, QStringLiteral("取消")) << "否 would discard the changes";
  EXPECT_EQ(escapeButton, QStringLiteral("取消"));
  EXPECT_TRUE(g_session.modified);
  EXPECT_TRUE(window_->isVisible());

  // A question that names no harmless answer: Enter and Esc both say No.
  for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
    AnswerNextBoxWithKey(key, defaultButton, escapeButton);
    MessageAnswer answer = ShowMessage(u"删除 PDF 对象", u"确定删除所选对象吗？", MessageIcon::Question, MessageButtons::YesNo);
    EXPECT_EQ(answer, MessageAnswer::No) << "key " << key;
    EXPECT_EQ(defaultButton, QStringLiteral("否"));
  }
  // One that names Yes as harmless (more scanning, restoring the work) gets it.
  AnswerNextBoxWithKey(Qt::Key_Return, defaultButton, escapeButton);
  EXPECT_EQ(ShowMessage(u"扫描 PDF", u"是否继续扫描下一页？", MessageIcon::Question, MessageButtons::YesNo,
                        MessageAnswer::Yes),
            MessageAnswer::Yes);
  EXPECT_EQ(defaultButton, QStringLiteral("是"));
  EXPECT_EQ(escapeButton, QStringLiteral("否"));
}

TEST_F(DialogsTest, TheSaveDialogSpeaksChineseAndABareNameLandsBesideTheDocument) {
  StartWithModifiedLesson();
  QString title, folder;
  QStringList texts;
  WhenModalOpens([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    folder = dialog->directory().absolutePath();
    texts = ShownTexts(dialog);
    TypeFileName(dialog, QStringLiteral("bare.pdf"));  // without a folder
    static_cast<QDialog*>(dialog)->accept();
  });
  RouteCommand(kCmdSaveCopy);
  EXPECT_EQ(title, QStringLiteral("另存为"));
  EXPECT_EQ(folder, QString::fromStdString(WorkPath("lessons")));
  for (const char* english : {"Look in:", "File &name:", "Files of type:", "&Save", "Cancel", "Save As"}) {
    EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english;
  }
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), HasChinese)) << texts.join('|').toStdString();
  EXPECT_EQ(ReadBytes(WorkPath("lessons/bare.pdf")).substr(0, 5), "%PDF-");
  EXPECT_FALSE(std::filesystem::exists(WorkPath("started-here/bare.pdf")));
  EXPECT_EQ(g_session.path, WorkPath16("lessons/bare.pdf"));
}

TEST_F(DialogsTest, TheReplaceQuestionIsChineseAndNoKeepsTheFile) {
  StartWithModifiedLesson();
  WriteBytes(WorkPath("lessons/taken.pdf"), "someone else's file");
  QString question;
  QStringList buttons;
  WhenModalOpens([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    WhenModalOpens(
        [&, dialog](QWidget* nested) {
          auto* box = qobject_cast<QMessageBox*>(nested);
          ASSERT_NE(box, nullptr);
          question = box->text();
          buttons = ButtonTexts(box);
          box->button(QMessageBox::No)->click();
          dialog->reject();
        },
        dialog);
    TypeFileName(dialog, QStringLiteral("taken.pdf"));
    static_cast<QDialog*>(dialog)->accept();  // the replace question opens inside
  });
  RouteCommand(kCmdSaveCopy);
  EXPECT_TRUE(HasChinese(question)) << question.toStdString();
  EXPECT_FALSE(question.contains(QStringLiteral("already exists"))) << question.toStdString();
  for (const QString& button : buttons) EXPECT_TRUE(HasChinese(button)) << button.toStdString();
  EXPECT_EQ(ReadBytes(WorkPath("lessons/taken.pdf")), "someone else's file");
  EXPECT_TRUE(g_session.modified);
}

TEST_F(DialogsTest, TheOpenDialogStartsInTheFolderLastChosenFrom) {
  StartWithModifiedLesson();
  WriteNumberedPdf(WorkPath("lessons/second.pdf"), 3);
  WhenModalOpens([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    TypeFileName(dialog, QStringLiteral("bare.pdf"));
    static_cast<QDialog*>(dialog)->accept();
  });
  RouteCommand(kCmdSaveCopy);
  ASSERT_FALSE(g_session.modified);
  QString openFolder, openTitle;
  WhenModalOpens([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    openFolder = dialog->directory().absolutePath();
    openTitle = dialog->windowTitle();
    TypeFileName(dialog, QStringLiteral("second.pdf"));
    static_cast<QDialog*>(dialog)->accept();
  });
  RouteCommand(kCmdOpen);
  EXPECT_EQ(openFolder, QString::fromStdString(WorkPath("lessons")));
  EXPECT_EQ(openTitle, QStringLiteral("打开"));
  EXPECT_EQ(g_session.path, WorkPath16("lessons/second.pdf"));
  EXPECT_EQ(g_session.pageCount, 3);
}

TEST_F(DialogsTest, BoxesShownBeforeTheWindowExistsSayOkInChinese) {
  // The missing-engine box at start-up is a plain Qt box with no owner.
  QMessageBox box(QMessageBox::Critical, QStringLiteral("PDF 组件缺失"), QString(), QMessageBox::Ok);
  EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
}

TEST_F(DialogsTest, ColourAndPrintDialogsAreTranslatedToo) {
  StartWindow();
  QColorDialog colours(window_);
  EXPECT_TRUE(HasChinese(colours.windowTitle())) << colours.windowTitle().toStdString();
  colours.show();
  QStringList texts = ShownTexts(&colours);
  colours.hide();
  EXPECT_FALSE(texts.contains(QStringLiteral("&Basic colors"))) << texts.join('|').toStdString();
  EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), HasChinese)) << texts.join('|').toStdString();
  EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("打印"));
}

TEST_F(DialogsTest, TheOcrResultCopiesTheWholeTextAndSaysSo) {
  StartWindow();
  InstallQtPlatform(window_);
  QApplication::clipboard()->clear();
  const QString recognised = QStringLiteral("三角形 ABC\n第二行 line 2");
  QString copiedText, buttonAfter, title;
  WhenModalOpens([&](QWidget* dialog) {
    title = dialog->windowTitle();
    auto* copy = dialog->findChild<QPushButton*>(QStringLiteral("ocrCopy"));
    auto* text = dialog->findChild<QPlainTextEdit*>(QStringLiteral("ocrText"));
    if (copy != nullptr && text != nullptr) {
      EXPECT_EQ(text->toPlainText(), recognised);
      QTest::mouseClick(copy, Qt::LeftButton);
      buttonAfter = copy->text();
      copiedText = QApplication::clipboard()->text();
    }
    dialog->close();
  });
  ShowOcrResult(recognised.toStdU16String());
  EXPECT_EQ(title, QStringLiteral("OCR 识别结果"));
  EXPECT_EQ(buttonAfter, QStringLiteral("已复制"));
  EXPECT_EQ(copiedText, recognised);
}

TEST_F(DialogsTest, ThePrintDialogOffersLongEdgeDuplexInChineseAndCancelPrintsNothing) {
  StartWindow();
  InstallQtPlatform(window_);
  QString duplexText;
  QStringList texts;
  WhenModalOpens([&](QWidget* dialog) {
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
      if (box->text().contains(QStringLiteral("双面"))) duplexText = box->text();
    }
    texts = ShownTexts(dialog);
    dialog->close();
  });
  std::optional<PrintChoice> choice = g_printer.showPrintDialog(3);
  EXPECT_FALSE(choice.has_value());
  EXPECT_EQ(duplexText, QStringLiteral("双面打印（长边翻页）"));
  EXPECT_TRUE(texts.contains(QStringLiteral("取消"))) << texts.join('|').toStdString();
  EXPECT_FALSE(texts.contains(QStringLiteral("Cancel"))) << texts.join('|').toStdString();
}

}  // namespace
