// Finding, loading, initialising and releasing the PDFium library.
#pragma once

#include <string>

// The library file and the package layout searched beside the executable and its ancestors.
constexpr const char* kPdfiumLibraryName = "libpdfium.so";
constexpr const char* kPdfiumPackagePath =
    "packages/dravenhol.PDFium.Linux.157.0.8100/runtimes/linux-x64/native/libpdfium.so";
constexpr int kPdfiumSearchDirectories = 8;

constexpr const char16_t* kEngineMissingCaption = u"PDF 组件缺失";
constexpr const char16_t* kEngineMissingText =
    u"未找到 PDFium 阅读组件。\n请重新生成项目，并确保 packages 中包含 PDFium 运行库。";

// Locates and loads the library, fills g_engine in table order and initialises it.
// False when no library was found or a required entry point is missing (the module then
// stays loaded until UnloadPdfEngine, and the library is not initialised).
bool LoadPdfEngine();
// FPDF_DestroyLibrary when initialised, then releases the module when loaded.
void UnloadPdfEngine();

bool PdfEngineInitialised();
// The loaded module, for code that resolves further names from the same library.
void* PdfEngineModule();
// Resolves a name outside the table from the loaded module; nullptr when unavailable.
void* ResolveEngineSymbol(const char* name);
// The file the module was loaded from (empty when none).
std::string PdfEngineLibraryPath();

// Tells the user that the engine is missing (no owner window) and gives the exit code.
int ReportPdfEngineMissing();
