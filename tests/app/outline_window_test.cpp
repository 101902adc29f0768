// The outline (目录) in the navigator and page labels in the page box, on documents made by
// LibreOffice from a generated .odt with headings and on hand-written PDFs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/find_in_document.h"
#include "document/open_document.h"
#include "document/session.h"
#include "support/searchable_pdf.h"
#include "view/command_ids.h"
#include "widgets/find_bar.h"
#include "widgets/navigator_panel.h"
#include "widgets/outline_panel.h"
#include "widgets/page_canvas.h"
#include "widgets/page_number_controls.h"

namespace {

// Three chapters, each on its own page; the first has a section.
const char* kContent = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.3">
<office:automatic-styles>
<style:style style:name="PB" style:family="paragraph" style:parent-style-name="Standard">
<style:paragraph-properties fo:break-before="page"/></style:style>
</office:automatic-styles>
<office:body><office:text>
<text:h text:outline-level="1">第一章 三角形</text:h>
<text:p>三角形的内角和。</text:p>
<text:h text:outline-level="2">一、直角三角形</text:h>
<text:p text:style-name="PB">直角三角形的性质。</text:p>
<text:h text:outline-level="1">第二章 圆</text:h>
<text:p>圆的周长。</text:p>
<text:p text:style-name="PB">新的一页。</text:p>
<text:h text:outline-level="1">第三章 勾股定理</text:h>
<text:p>勾股定理：a²+b²=c²。</text:p>
</office:text></office:body></office:document-content>
)";

const char* kManifest = R"(<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3">
<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>
<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
</manifest:manifest>
)";

class OutlineWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    StartWindow();
    window_->show();
    RouteCommand(kCmdToggleNavigator);
  }
  // A .odt written as its parts and zipped (the mimetype first and stored, as the format asks).
  void WriteOdt(const std::string& path) {
    std::string parts = WorkPath("odt-parts");
    std::filesystem::create_directories(parts + "/META-INF");
    std::ofstream(parts + "/mimetype") << "application/vnd.oasis.opendocument.text";
    std::ofstream(parts + "/content.xml") << kContent;
    std::ofstream(parts + "/META-INF/manifest.xml") << kManifest;
    std::string zip = "cd '" + parts + "' && zip -X -0 -q '" + path + "' mimetype && zip -X -q -r '" + path +
                      "' content.xml META-INF";
    ASSERT_EQ(std::system(zip.c_str()), 0);
  }
  // The same text as Word writes it, by LibreOffice; the editor converts .docx when opening.
  void WriteDocx(const std::string& folder, const std::string& name) {
    std::string odt = folder + "/" + name + ".odt";
    WriteOdt(odt);
    std::string lo = "soffice -env:UserInstallation=file://" + WorkPath("lo-profile") + " --headless --convert-to docx --outdir '" +
                     folder + "' '" + odt + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(lo.c_str()), 0);
    ASSERT_TRUE(std::filesystem::exists(folder + "/" + name + ".docx"));
  }
  OutlinePanel* Outline() const { return Canvas()->navigator()->outline(); }
  QTreeWidget* Tree() const { return Outline()->tree(); }
  void ClickEntry(QTreeWidgetItem* item) {
    Tree()->scrollToItem(item);
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, Tree()->visualItemRect(item).center());
    QApplication::processEvents();
  }
};

TEST_F(OutlineWindowTest, TheHeadingsOfAnOfficeDocumentBecomeATreeThatTurnsPages) {
  WriteDocx(work_, "课本");
  ASSERT_TRUE(OpenDocument(WorkPath16("课本.docx"))) << RecordedBoxesText();
  window_->RefreshAll();
  ASSERT_EQ(g_session.pageCount, 3);
  ASSERT_TRUE(Tree()->isVisible());
  ASSERT_EQ(Tree()->topLevelItemCount(), 3);
  EXPECT_EQ(Tree()->topLevelItem(0)->text(0), QStringLiteral("第一章 三角形"));
  EXPECT_EQ(Tree()->topLevelItem(2)->text(0), QStringLiteral("第三章 勾股定理"));
  ASSERT_EQ(Tree()->topLevelItem(0)->childCount(), 1);
  EXPECT_EQ(Tree()->topLevelItem(0)->child(0)->text(0), QStringLiteral("一、直角三角形"));
  // The thumbnails keep the upper part of the column, the tree the lower.
  QListWidget* list = Canvas()->navigator()->list();
  EXPECT_LE(list->geometry().bottom(), Tree()->geometry().top());

  ClickEntry(Tree()->topLevelItem(2));
  EXPECT_EQ(g_session.currentPageIndex, 2);
  ClickEntry(Tree()->topLevelItem(1));
  EXPECT_EQ(g_session.currentPageIndex, 1);
  ClickEntry(Tree()->topLevelItem(0)->child(0));
  EXPECT_EQ(g_session.currentPageIndex, 0);
  EXPECT_EQ(list->currentRow(), 0);  // the navigator follows like any page turn

  // 第三章, then the find bar: the phrase is in its heading and its text.
  ClickEntry(Tree()->topLevelItem(2));
  RouteCommand(kCmdFind);
  CurrentFindBar()->field()->setText(QStringLiteral("勾股定理"));
  QTest::keyClick(CurrentFindBar()->field(), Qt::Key_Return);
  for (int i = 0; i < 500 && (g_find.running || g_find.pendingStep != 0); ++i) QTest::qWait(10);
  EXPECT_EQ(g_session.currentPageIndex, 2);
  EXPECT_EQ(CurrentFindBar()->countLabel()->text(), QStringLiteral("第 1 / 2 处"));
  Screenshot(QStringLiteral("find-and-outline"));

  // A document without an outline shows none, and the thumbnails take the whole column.
  std::vector<SearchablePage> pages(2, SearchablePage{});
  WriteSearchablePdf(WorkPath("plain.pdf"), pages);
  OpenOrFail(WorkPath("plain.pdf"));
  window_->RefreshAll();
  EXPECT_FALSE(Tree()->isVisible());
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);
  EXPECT_GT(list->geometry().bottom(), Canvas()->height() - 100);
}

TEST_F(OutlineWindowTest, PageLabelsShowBesideThePageNumber) {
  std::vector<SearchablePage> pages(6, SearchablePage{});
  WriteSearchablePdf(WorkPath("labels.pdf"), pages,
                     "/PageLabels << /Nums [0 << /S /r >> 3 << /S /D /P (A-) >> 5 << /S /D /St 6 >> ] >>");
  OpenOrFail(WorkPath("labels.pdf"));
  window_->RefreshAll();
  QLabel* label = Canvas()->pageControls()->pageLabel();
  EXPECT_EQ(label->text(), QStringLiteral("（i）"));
  RouteCommand(kCmdNextPage);
  RouteCommand(kCmdNextPage);
  EXPECT_EQ(label->text(), QStringLiteral("（iii）"));
  RouteCommand(kCmdNextPage);
  EXPECT_EQ(label->text(), QStringLiteral("（A-1）"));
  RouteCommand(kCmdLastPage);
  EXPECT_EQ(label->text(), QString());  // "6" is the page number itself
  EXPECT_TRUE(label->isVisible());
  Screenshot(QStringLiteral("page-labels"));
}

TEST_F(OutlineWindowTest, ThePageBoxTakesAPrintedPageLabelAsWellAsANumber) {
  std::vector<SearchablePage> pages(6, SearchablePage{});
  WriteSearchablePdf(WorkPath("labels.pdf"), pages,
                     "/PageLabels << /Nums [0 << /S /r >> 3 << /S /D /P (A-) >> 5 << /S /D /St 6 >> ] >>");
  OpenOrFail(WorkPath("labels.pdf"));
  window_->RefreshAll();
  QLineEdit* box = Canvas()->pageControls()->pageEdit();
  auto type = [box](const QString& text) {
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
  };
  type(QStringLiteral("iii"));
  EXPECT_EQ(g_session.currentPageIndex, 2);
  type(QStringLiteral(" A-2 "));
  EXPECT_EQ(g_session.currentPageIndex, 4);
  type(QStringLiteral("a-1"));  // another letter case still finds the label
  EXPECT_EQ(g_session.currentPageIndex, 3);
  type(QStringLiteral("2"));  // a number is a page number first
  EXPECT_EQ(g_session.currentPageIndex, 1);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  type(QStringLiteral("viii"));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"页码无效");
  EXPECT_EQ(g_session.currentPageIndex, 1);
}

}  // namespace
