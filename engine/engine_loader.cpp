#include "engine/engine_loader.h"

#include <dlfcn.h>
#include <link.h>

#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

void* g_module = nullptr;
bool g_initialised = false;

// The library carries its own FreeType and allocator; DEEPBIND keeps them from binding to
// the copies Qt loads. Sanitizer runtimes refuse DEEPBIND, so such builds go without it.
int LoadFlags() {
#ifdef CORVAN_NO_DEEPBIND
  return RTLD_NOW | RTLD_LOCAL;
#else
  return RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND;
#endif
}

void* FindAndLoadModule() {
  if (void* module = dlopen(kPdfiumLibraryName, LoadFlags())) return module;
  std::string directory = Utf8(ExecutableDirectory());
  if (directory.empty()) return nullptr;
  for (int attempt = 0; attempt < kPdfiumSearchDirectories; ++attempt) {
    std::string candidate = (directory == "/" ? "" : directory) + "/" + kPdfiumPackagePath;
    if (void* module = dlopen(candidate.c_str(), LoadFlags())) return module;
    size_t slash = directory.rfind('/');
    if (slash == std::string::npos || directory == "/") break;
    directory = slash == 0 ? "/" : directory.substr(0, slash);
  }
  return nullptr;
}

bool ResolveTable(void* module) {
  g_engine = PdfEngine{};
#define CORVAN_ENGINE_RESOLVE(slot, symbol, required, ret, params)                 \
  g_engine.slot = reinterpret_cast<ret(*) params>(dlsym(module, symbol));          \
  if ((required) && g_engine.slot == nullptr) return false;
  CORVAN_ENGINE_ENTRY_POINTS(CORVAN_ENGINE_RESOLVE)
#undef CORVAN_ENGINE_RESOLVE
  return true;
}

}  // namespace

bool LoadPdfEngine() {
  if (g_module == nullptr) g_module = FindAndLoadModule();
  if (g_module == nullptr) return false;
  if (!ResolveTable(g_module)) return false;
  g_engine.FPDF_InitLibrary();
  g_initialised = true;
  return true;
}

void UnloadPdfEngine() {
  if (g_initialised && g_engine.FPDF_DestroyLibrary != nullptr) g_engine.FPDF_DestroyLibrary();
  g_initialised = false;
  if (g_module != nullptr) dlclose(g_module);
  g_module = nullptr;
  g_engine = PdfEngine{};
}

bool PdfEngineInitialised() { return g_initialised; }

void* PdfEngineModule() { return g_module; }

void* ResolveEngineSymbol(const char* name) {
  return g_module == nullptr ? nullptr : dlsym(g_module, name);
}

std::string PdfEngineLibraryPath() {
  if (g_module == nullptr) return {};
  link_map* map = nullptr;
  if (dlinfo(g_module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return {};
  return map->l_name != nullptr ? map->l_name : "";
}

int ReportPdfEngineMissing() {
  MessageBoxRequest request;
  request.caption = kEngineMissingCaption;
  request.text = kEngineMissingText;
  request.icon = MessageIcon::Error;
  request.ownedByMainWindow = false;
  if (g_platform.showMessageBox != nullptr) g_platform.showMessageBox(request);
  return 1;
}
