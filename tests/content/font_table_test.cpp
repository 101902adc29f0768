#include <gtest/gtest.h>

#include <filesystem>

#include "content/font_table.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "support/document_test.h"

namespace {

class FontTableTest : public DocumentTest {
 protected:
  // A font folder holding only the given table files, linked to the set-up's fonts.
  void FontFolderWith(std::initializer_list<const char*> files) {
    std::string folder = WorkPath("fonts");
    std::filesystem::create_directories(folder);
    for (const char* file : files) {
      std::filesystem::create_symlink(std::string(CORVAN_FONTS_DIR) + "/" + file, folder + "/" + file);
    }
    setenv("CORVAN_FONTS_DIR", folder.c_str(), 1);
  }
};

TEST_F(FontTableTest, TheDefaultFontIsTheFirstThatLoadsAndLoadsOncePerDocument) {
  FontFolderWith({"simsun.ttc", "simhei.ttf"});
  ASSERT_TRUE(NewBlankDocument());
  ASSERT_TRUE(EnsureDefaultFont()) << RecordedBoxesText();
  ASSERT_EQ(g_fontCache.entries.size(), 1u);
  EXPECT_EQ(g_fontCache.entries[0].displayName, u"宋体");
  EXPECT_EQ(g_fontCache.defaultFont, g_fontCache.entries[0].font.get());
  EXPECT_TRUE(EnsureDefaultFont());
  // Text the label subset covers comes from the cache: no second copy.
  EXPECT_EQ(GetFontByName(u"宋体", u"a1 b2"), g_fontCache.defaultFont);
  EXPECT_EQ(g_fontCache.loadCount, 1);
  EXPECT_NE(GetFontByName(u"黑体", u"三角形"), nullptr);
  EXPECT_EQ(g_fontCache.loadCount, 2);
  // Characters no cached subset holds get a subset of their own, once.
  FPDF_FONT chinese = GetFontByName(u"宋体", u"直角三角形");
  ASSERT_NE(chinese, nullptr);
  EXPECT_NE(chinese, g_fontCache.defaultFont);
  EXPECT_EQ(GetFontByName(u"宋体", u"三角"), chinese);
  EXPECT_EQ(g_fontCache.loadCount, 3);
  // A watermark in the default font: the same face, cut to the watermark's characters.
  FPDF_FONT watermark = DefaultFontFor(u"样本 2024");
  ASSERT_NE(watermark, nullptr);
  EXPECT_EQ(DefaultFontFor(u"样本"), watermark);
  EXPECT_EQ(g_fontCache.entries.back().displayName, u"宋体");
  EXPECT_EQ(g_fontCache.loadCount, 4);
  EXPECT_EQ(DefaultFontFor(u"c3"), g_fontCache.defaultFont);

  // Another document loads its own copy on first use.
  ASSERT_TRUE(NewBlankDocument());
  EXPECT_EQ(g_fontCache.loadCount, 0);
  EXPECT_EQ(g_fontCache.defaultFont, nullptr);
  ASSERT_TRUE(EnsureDefaultFont());
  EXPECT_EQ(g_fontCache.loadCount, 1);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(FontTableTest, MissingFontsAndUnknownNamesAreExplained) {
  FontFolderWith({});
  ASSERT_TRUE(NewBlankDocument());
  EXPECT_FALSE(EnsureDefaultFont());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"文本功能不可用");
  EXPECT_EQ(g_script.boxes[0].text,
            u"无法加载系统字体（系统错误 2：没有那个文件或目录）。请安装微软雅黑、宋体、黑体或 Arial。");
  EXPECT_EQ(GetFontByName(u"Comic Sans", u"abc"), nullptr);
  EXPECT_EQ(g_script.boxes.back().caption, u"字体不可用");
  EXPECT_EQ(g_script.boxes.back().text, u"请选择支持的文本字体。");
  EXPECT_EQ(GetFontByName(u"微软雅黑", u"abc"), nullptr);
  EXPECT_EQ(g_script.boxes.back().caption, u"字体加载失败");
  EXPECT_EQ(g_script.boxes.back().text, u"无法加载字体“微软雅黑”（系统错误 2：没有那个文件或目录）。");

  // A library without text support says so instead.
  auto realLoad = g_engine.FPDFText_LoadFont;
  g_engine.FPDFText_LoadFont = nullptr;
  EXPECT_FALSE(EnsureDefaultFont());
  g_engine.FPDFText_LoadFont = realLoad;
  EXPECT_EQ(g_script.boxes.back().text, u"当前 PDFium 运行库不支持添加文本。");
}

TEST_F(FontTableTest, ChineseTextInItsOwnSubsetSavesSmallAndReadsBack) {
  ASSERT_TRUE(NewBlankDocument());
  FPDF_FONT font = GetFontByName(u"微软雅黑", u"直角三角形ABC");
  ASSERT_NE(font, nullptr) << RecordedBoxesText();
  FPDF_PAGEOBJECT text = g_engine.FPDFPageObj_CreateTextObj(g_session.document, font, 24);
  std::u16string content = u"直角三角形ABC";
  content.push_back(0);
  ASSERT_TRUE(g_engine.FPDFText_SetText(text, reinterpret_cast<FPDF_WIDESTRING>(content.c_str())));
  g_engine.FPDFPageObj_Transform(text, 1, 0, 0, 1, 100, 700);
  g_engine.FPDFPage_InsertObject(g_session.currentPage, text);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  MarkModified();
  g_script.dialogAnswers = {WorkPath16("chinese.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"", u"")) << RecordedBoxesText();
  std::string saved = WorkPath("chinese.pdf");
  EXPECT_LT(ReadBytes(saved).size(), 32u * 1024);
  std::string command = "pdftotext '" + saved + "' -";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[256] = {};
  size_t n = fread(buffer, 1, sizeof buffer - 1, pipe);
  pclose(pipe);
  EXPECT_NE(std::string(buffer, n).find("直角三角形ABC"), std::string::npos) << std::string(buffer, n);
}

std::string BaseFontName(FPDF_FONT font) {
  size_t needed = g_engine.FPDFFont_GetBaseFontName(font, nullptr, 0);
  std::string name(needed, '\0');
  g_engine.FPDFFont_GetBaseFontName(font, name.data(), needed);
  return needed > 0 ? name.substr(0, needed - 1) : name;
}

TEST_F(FontTableTest, SubsetsOfOneFaceGoByDifferentTaggedNames) {
  ASSERT_TRUE(NewBlankDocument());
  ASSERT_TRUE(EnsureDefaultFont());
  std::vector<std::string> names{BaseFontName(g_fontCache.defaultFont)};
  for (const char16_t* text : {u"甲乙丙丁", u"戊己庚辛", u"三角形的面积"}) {
    FPDF_FONT font = GetFontByName(u"微软雅黑", text);
    ASSERT_NE(font, nullptr) << RecordedBoxesText();
    names.push_back(BaseFontName(font));
  }
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    ASSERT_EQ(names[i].size(), 7 + std::string("WenQuanYiMicroHei").size());
    EXPECT_EQ(names[i].substr(6), "+WenQuanYiMicroHei");
    for (size_t k = 0; k < i; ++k) EXPECT_NE(names[i], names[k]);
  }
}

}  // namespace
