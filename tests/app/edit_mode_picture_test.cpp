// In 编辑 the object under the pointer is the one taken: a picture over a table's rules and
// never the page-sized background behind text or blank page.
#include <gtest/gtest.h>

#include "app/own_ink_test_page.h"
#include "editing/selection.h"
#include "view/tool_state.h"

namespace {

// A white page-sized background, a table ruled every 20 pt and a 4 × 4 picture over it.
std::string TablePageContent() {
  std::string content = "1 1 1 rg 0 0 595 842 re f\nBT /F1 14 Tf 72 780 Td (Table 2: marks of the class) Tj ET\n";
  content += "0 0 0 RG 0.5 w\n";
  for (int y = 280; y <= 440; y += 20) content += "100 " + std::to_string(y) + " m 450 " + std::to_string(y) + " l S\n";
  for (int x = 100; x <= 450; x += 70) content += std::to_string(x) + " 280 m " + std::to_string(x) + " 440 l S\n";
  content += "q 200 0 0 120 150 300 cm /Im1 Do Q\n";
  return content;
}

class EditModePictureTest : public OwnInkWindowTest {
 protected:
  void OpenTablePage() {
    std::string content = TablePageContent();
    std::string pixels(4 * 4 * 3, '\x90');
    std::string path = WorkPath("table.pdf");
    WritePdfObjects(path, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
                           "/Resources << /Font << /F1 5 0 R >> /XObject << /Im1 6 0 R >> >> >>",
                           "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
                           "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
                           "<< /Type /XObject /Subtype /Image /Width 4 /Height 4 /ColorSpace /DeviceRGB "
                           "/BitsPerComponent 8 /Length 48 >>\nstream\n" + pixels + "\nendstream"});
    StartWindow({QString::fromStdString(path)});
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  FPDF_PAGEOBJECT Picture() const {
    for (FPDF_PAGEOBJECT object : Objects()) {
      if (g_engine.FPDFPageObj_GetType(object) == kPageObjImage) return object;
    }
    return nullptr;
  }
};

TEST_F(EditModePictureTest, APictureOverRulesIsTakenAndTheBackgroundNeverIs) {
  OpenTablePage();
  FPDF_PAGEOBJECT picture = Picture();
  ASSERT_NE(picture, nullptr);
  Menu(QStringLiteral("编辑图形和图像"));
  ASSERT_EQ(g_tool.mode, ToolMode::Edit);
  // Every click on the picture, however near a rule under it, selects the picture.
  int taken = 0, clicks = 0;
  for (int x = 160; x <= 340; x += 30) {
    for (int y = 305; y <= 415; y += 22) {
      Click(OnScreen(float(x), float(y)));
      ++clicks;
      if (g_selection.selectedImage == picture && g_selection.object == nullptr) ++taken;
    }
  }
  EXPECT_EQ(taken, clicks);

  // Blank page and the text line: nothing is taken, and a drag from there moves nothing.
  std::vector<std::string> before;
  for (FPDF_PAGEOBJECT object : Objects()) {
    if (g_engine.FPDFPageObj_GetType(object) == kPageObjPath) before.push_back(Describe(object));
  }
  for (QPoint at : {OnScreen(520, 120), OnScreen(150, 784)}) {
    Click(at);
    EXPECT_EQ(g_selection.object, nullptr);
    Drag(at, at + QPoint(40, 30));
    EXPECT_EQ(g_selection.object, nullptr);
  }
  std::vector<std::string> after;
  for (FPDF_PAGEOBJECT object : Objects()) {
    if (g_engine.FPDFPageObj_GetType(object) == kPageObjPath) after.push_back(Describe(object));
  }
  EXPECT_EQ(after, before);

  // A drag starting on the picture (selected by a first click) moves the picture, never a rule.
  Click(OnScreen(250, 340));
  ASSERT_EQ(g_selection.selectedImage, picture);
  float l0, b0, r0, t0;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(picture, &l0, &b0, &r0, &t0));
  Drag(OnScreen(250, 340), OnScreen(250, 340) + QPoint(30, 0), 6);
  float l1, b1, r1, t1;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(Picture(), &l1, &b1, &r1, &t1));
  EXPECT_GT(l1, l0 + 10) << "the picture moved right";
  after.clear();
  for (FPDF_PAGEOBJECT object : Objects()) {
    if (g_engine.FPDFPageObj_GetType(object) == kPageObjPath) after.push_back(Describe(object));
  }
  EXPECT_EQ(after, before);
}

}  // namespace
