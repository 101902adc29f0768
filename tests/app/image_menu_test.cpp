// The image menu of the edit tool and the object list's 替换图片: each action reaches the
// picture it names and is one undo step.
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/image_test_fixture.h"
#include "document/undo_history.h"
#include "support/text_pdf.h"
#include "widgets/qt_clipboard.h"

namespace {

class ImageMenuTest : public ImageWindowTest {
 protected:
  void SetUp() override {
    ImageWindowTest::SetUp();
    InstallQtClipboard();
    ASSERT_TRUE(WritePicture(WorkPath("photo.jpg"), 64, 48, "JPG"));
    ASSERT_TRUE(WritePicture(WorkPath("other.png"), 30, 20, "PNG"));
    Open("/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 90");
    InsertByClick(WorkPath("photo.jpg"), At(0.4f, 0.5f));
    ASSERT_EQ(Images().size(), 1u) << RecordedBoxesText();
  }

  // Right-clicks at `at` and picks the item named `choice` (empty: closes the menu); returns
  // every item's text with "-" after disabled ones.
  QStringList RightClickMenu(QPoint at, const QString& choice) {
    QStringList offered;
    QTimer::singleShot(50, [&offered, choice] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      QAction* picked = nullptr;
      for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        offered << action->text() + (action->isEnabled() ? "" : "-");
        if (action->text() == choice) picked = action;
      }
      if (picked == nullptr) {
        menu->close();
        return;
      }
      menu->setActiveAction(picked);
      QTest::keyClick(menu, Qt::Key_Return);
    });
    Click(at, Qt::RightButton);
    return offered;
  }

  unsigned PixelWidth(FPDF_PAGEOBJECT image) {
    unsigned w = 0, h = 0;
    g_engine.FPDFImageObj_GetImagePixelSize(image, &w, &h);
    return w;
  }
};

TEST_F(ImageMenuTest, TheMenuOnAPictureDeletesItAsOneStepAndOnEmptySpaceOnlyAdds) {
  FPDF_PAGEOBJECT image = Images()[0];
  QPoint onImage = Screen(image, 0.5, 0.5).toPoint();
  size_t steps = Steps();
  QApplication::clipboard()->clear();
  QStringList offered = RightClickMenu(onImage, QStringLiteral("删除图片"));
  EXPECT_EQ(offered, (QStringList{"剪切", "复制", "粘贴-", "删除图片", "替换图片...", "增加图片...", "更换底色...",
                                  "图片上移一个图层-", "图片下移一个图层-"}))
      << offered.join('|').toStdString();
  EXPECT_TRUE(Images().empty());
  EXPECT_EQ(g_selection.selectedImage, nullptr);
  EXPECT_EQ(g_session.statusText, u"图片已删除");
  EXPECT_EQ(Steps(), steps + 1);
  Undo();
  EXPECT_EQ(Images().size(), 1u);

  // Empty page space: nothing selected, so only adding (and pasting, with a picture) is offered.
  offered = RightClickMenu(At(0.9f, 0.9f), QString());
  EXPECT_TRUE(offered.contains("删除图片-")) << offered.join('|').toStdString();
  EXPECT_TRUE(offered.contains("增加图片...")) << offered.join('|').toStdString();
  EXPECT_EQ(g_selection.selectedImage, nullptr);
}

TEST_F(ImageMenuTest, AddingFromTheMenuOnAPicturePutsTheNewOneTwentyFourPointsRightAndDownOfIt) {
  FPDF_PAGEOBJECT image = Images()[0];
  FS_MATRIX m0 = Matrix(image);
  g_script.dialogAnswers.push_back(WorkPath16("other.png"));
  RightClickMenu(Screen(image, 0.5, 0.5).toPoint(), QStringLiteral("增加图片..."));
  ASSERT_EQ(Images().size(), 2u) << RecordedBoxesText();
  FS_MATRIX m1 = Matrix(Images()[1]);
  EXPECT_EQ((std::vector<float>{m1.a, m1.b, m1.c, m1.d}), (std::vector<float>{m0.a, m0.b, m0.c, m0.d}));
  EXPECT_FLOAT_EQ(m1.e, m0.e + 24);
  EXPECT_FLOAT_EQ(m1.f, m0.f - 24);
  EXPECT_EQ(g_selection.selectedImage, Images()[1]);
}

TEST_F(ImageMenuTest, TheObjectListReplacesThePictureKeepingItsPlaceAsOneStep) {
  FPDF_PAGEOBJECT image = Images()[0];
  FS_MATRIX before = Matrix(image);
  ASSERT_EQ(PixelWidth(image), 64u);
  size_t steps = Steps();
  g_script.dialogAnswers.push_back(WorkPath16("other.png"));
  QTimer::singleShot(50, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    auto* list = dialog->findChild<QListWidget*>();
    if (list != nullptr) list->setCurrentRow(0);
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
      if (button->text() == QStringLiteral("替换图片") && button->isEnabled()) button->click();
    }
    dialog->close();
  });
  RouteCommand(kCmdObjectList);
  ASSERT_EQ(Images().size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.dialogs.back().title, u"选择替换的图片");
  EXPECT_EQ(PixelWidth(Images()[0]), 30u);
  FS_MATRIX after = Matrix(Images()[0]);
  EXPECT_FLOAT_EQ(after.a, before.a);
  EXPECT_FLOAT_EQ(after.d, before.d);
  EXPECT_FLOAT_EQ(after.e, before.e);
  EXPECT_FLOAT_EQ(after.f, before.f);
  EXPECT_EQ(Steps(), steps + 1);
  Undo();
  EXPECT_EQ(PixelWidth(Images()[0]), 64u);
}

}  // namespace

TEST_F(ImageMenuTest, APictureOnAFramedPageTakesTheDragAndTheMenuFromTheFrame) {
  // The page's own frame: a stroked rectangle round the whole page, drawn before the picture.
  if (g_session.modified) g_script.answers.push_back(MessageAnswer::No);
  WriteTextPdf(WorkPath("framed.pdf"), "/MediaBox [0 0 595 842]", "0 0 1 RG 2 w 20 20 555 802 re S\n");
  OpenOrFail(WorkPath("framed.pdf"));
  g_script.boxes.clear();
  RouteCommand(kCmdFitPage);
  Canvas()->repaint();
  InsertByClick(WorkPath("photo.jpg"), At(0.5f, 0.5f));
  ASSERT_EQ(Images().size(), 1u) << RecordedBoxesText();
  FPDF_PAGEOBJECT image = Images()[0];
  FPDF_PAGEOBJECT frame = nullptr;
  for (FPDF_PAGEOBJECT o : Objects()) {
    if (g_engine.FPDFPageObj_GetType(o) == kPageObjPath) frame = o;
  }
  ASSERT_NE(frame, nullptr);
  float fl, fb, fr, ft;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(frame, &fl, &fb, &fr, &ft));
  const FS_MATRIX before = Matrix(image);

  // A drag on the picture moves the picture, not the frame.
  g_selection.selectedImage = nullptr;
  RouteCommand(kCmdFitPage);
  Canvas()->repaint();
  const QPoint centre = Screen(image, 0.5, 0.5).toPoint();
  Press(centre);
  Release(centre);
  EXPECT_EQ(g_selection.selectedImage, image);
  EXPECT_EQ(g_selection.object, nullptr);
  Drag(centre, centre + QPoint(40, 30), 4);
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(g_session.statusText, u"图片位置已更新");
  EXPECT_NE(Matrix(image).e, before.e);
  float l, b, r, t;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(frame, &l, &b, &r, &t));
  EXPECT_EQ(l, fl);
  EXPECT_EQ(t, ft);

  // The menu on the picture is the picture's.
  const QPoint moved = Screen(image, 0.5, 0.5).toPoint();
  QStringList offered = RightClickMenu(moved, QString());
  EXPECT_TRUE(offered.contains("删除图片")) << offered.join('|').toStdString();
  EXPECT_FALSE(offered.contains("删除所选图形")) << offered.join('|').toStdString();
  EXPECT_EQ(g_selection.selectedImage, image);

  // The frame is still taken on its outline.
  offered = RightClickMenu(OnScreen({20, 421}), QString());
  EXPECT_EQ(offered, QStringList{"删除所选图形"}) << offered.join('|').toStdString();
  EXPECT_EQ(g_selection.object, frame);
}
