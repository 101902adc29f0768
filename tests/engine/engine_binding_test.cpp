#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "support/pdf_fixtures.h"

namespace fs = std::filesystem;

namespace {

struct ProbeRun {
  int exitCode = -1;
  std::string output;
};

// Runs a copy of the probe with a clean library path (or the given one).
ProbeRun RunProbe(const std::string& probe, const std::string& arguments, const std::string& libraryPath = "") {
  std::string command = "env -u LD_LIBRARY_PATH ";
  if (!libraryPath.empty()) command += "LD_LIBRARY_PATH='" + libraryPath + "' ";
  command += "'" + probe + "' " + arguments + " 2>&1";
  ProbeRun run;
  FILE* pipe = popen(command.c_str(), "r");
  std::array<char, 4096> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), n);
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class EngineSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/corvan-engine-XXXXXX";
    root_ = mkdtemp(pattern);
    fs::path package = fs::path(root_) / kPdfiumPackagePath;
    fs::create_directories(package.parent_path());
    fs::create_symlink(CORVAN_REAL_PDFIUM, package);
  }
  void TearDown() override { fs::remove_all(root_); }

  // Copies the probe into a folder `levels` below the root and returns the copy.
  std::string ProbeBelow(int levels) {
    fs::path folder = root_;
    for (int i = 0; i < levels; ++i) folder /= "level" + std::to_string(i);
    fs::create_directories(folder);
    fs::copy_file(CORVAN_ENGINE_PROBE, folder / "engine_probe");
    return (folder / "engine_probe").string();
  }

  std::string root_;
};

// The shipped library answers every entry point the editor names, under that name, except the
// one it lacks; the image insertion entry is the same function as the plain one.
TEST(EngineTableTest, TheShippedLibraryFillsEveryEntryItHas) {
  ASSERT_TRUE(PdfEngineInitialised());
  std::set<std::string> symbols;
  int required = 0;
  for (int i = 0; i < EngineSlotCount(); ++i) {
    const EngineSlotInfo& slot = EngineSlotAt(i);
    const std::string symbol = slot.symbol;
    bool expectFilled = symbol != "FPDFTextObj_SetFontSize";
    EXPECT_EQ(EngineSlotFilled(i), expectFilled) << symbol;
    EXPECT_EQ(ResolveEngineSymbol(slot.symbol) != nullptr, expectFilled) << symbol;
    if (symbol != "FPDFPage_InsertObject") EXPECT_TRUE(symbols.insert(symbol).second) << symbol << " twice";
    if (slot.required) {
      ++required;
      EXPECT_TRUE(EngineSlotFilled(i)) << symbol << " is required";
    }
  }
  EXPECT_EQ(RequiredEngineSlotCount(), required);
  EXPECT_EQ(g_engine.FPDFPage_InsertObjectForImages, g_engine.FPDFPage_InsertObject);
  EXPECT_NE(g_engine.FPDF_InitLibrary, nullptr);
  EXPECT_NE(ResolveEngineSymbol("FPDFText_LoadStandardFont"), nullptr);
}

TEST_F(EngineSearchTest, FindsThePackageFourLevelsAboveTheProgram) {
  ProbeRun run = RunProbe(ProbeBelow(4), "load");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "LIBRARY " + root_ + "/packages/")) << run.output;
}

TEST_F(EngineSearchTest, StopsAfterSevenAncestors) {
  ProbeRun seven = RunProbe(ProbeBelow(7), "load");
  EXPECT_EQ(seven.exitCode, 0) << seven.output;
  ProbeRun eight = RunProbe(ProbeBelow(8), "load");
  EXPECT_EQ(eight.exitCode, 1) << eight.output;
  EXPECT_TRUE(Contains(eight.output,
                       "BOX PDF 组件缺失|未找到 PDFium 阅读组件。\n请重新生成项目，并确保 packages 中包含 PDFium 运行库。|unowned"))
      << eight.output;
}

TEST_F(EngineSearchTest, ALibraryOnTheLoaderPathIsPreferred) {
  std::string standIn = std::string(CORVAN_STAND_IN_DIR) + "/stand_in_complete";
  ProbeRun run = RunProbe(ProbeBelow(1), "load", standIn);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Contains(run.output, "LIBRARY " + standIn + "/libpdfium.so")) << run.output;
  EXPECT_TRUE(Contains(run.output, "EMPTY FPDFTextObj_SetFontSize"));
}

TEST_F(EngineSearchTest, AMissingRequiredEntryPointRefusesToStart) {
  ProbeRun run = RunProbe(ProbeBelow(1), "load", std::string(CORVAN_STAND_IN_DIR) + "/stand_in_without_import");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_TRUE(Contains(run.output, "BOX PDF 组件缺失|")) << run.output;
}

TEST_F(EngineSearchTest, MissingOptionalEntryPointsStartAndTheFeaturesSaySo) {
  ProbeRun run = RunProbe(ProbeBelow(1), "features '" + root_ + "'",
                          std::string(CORVAN_STAND_IN_DIR) + "/stand_in_without_optional");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  for (const char* line : {"EMPTY FPDFPage_Delete", "EMPTY FPDF_MovePages", "EMPTY FPDF_LoadCustomDocument",
                           "BOX 删除页面不可用|当前 PDFium 运行库不支持删除页面。|owned", "DELETE 0",
                           "BOX 页面移动不可用|当前 PDF 运行库不支持页面排序。|owned", "MOVE 0",
                           "BOX 另存为 CVN 失败|当前 PDF 组件不支持打开 CVN 文件，不能保存此格式。|owned", "SAVECVN 0",
                           "BOX 打开 CVN 失败|当前 PDF 组件不支持打开 CVN 文件。|owned", "OPENCVN 0", "PAGES 2"}) {
    EXPECT_TRUE(Contains(run.output, line)) << line << "\n" << run.output;
  }
  EXPECT_FALSE(fs::exists(root_ + "/probe.cvn"));
}

}  // namespace
