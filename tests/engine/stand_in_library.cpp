// A stand-in for libpdfium.so that forwards every entry point of the editor's table to the
// real library, except those named by --defsym OMIT_<name>=1 at assembly time, which it
// does not export at all. It lets tests start the editor against a library that lacks
// chosen entry points.
#include <dlfcn.h>

#include "engine/engine_table.h"

#define CORVAN_STAND_IN_POINTER(slot, symbol, required, ret, params) \
  extern "C" __attribute__((visibility("hidden"))) void* forward_##slot;            \
  void* forward_##slot = nullptr;
CORVAN_ENGINE_ENTRY_POINTS(CORVAN_STAND_IN_POINTER)

// One exported trampoline per distinct name; a name that appears twice in the table (or is
// omitted) gets no second definition.
#define CORVAN_STAND_IN_TRAMPOLINE(slot, symbol, required, ret, params)              \
  __asm__(".ifndef OMIT_" symbol "\n"                                              \
          ".ifndef " symbol "\n"                                                   \
          ".pushsection .text\n.globl " symbol "\n.type " symbol ",@function\n" symbol ":\n"     \
          "  jmp *forward_" #slot "(%rip)\n"                                        \
          ".popsection\n.endif\n.endif\n");
CORVAN_ENGINE_ENTRY_POINTS(CORVAN_STAND_IN_TRAMPOLINE)

__attribute__((constructor)) static void LoadRealLibrary() {
#ifdef CORVAN_NO_DEEPBIND
  void* real = dlopen(CORVAN_REAL_PDFIUM, RTLD_NOW | RTLD_LOCAL);
#else
  void* real = dlopen(CORVAN_REAL_PDFIUM, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
#endif
  if (real == nullptr) return;
#define CORVAN_STAND_IN_RESOLVE(slot, symbol, required, ret, params) forward_##slot = dlsym(real, symbol);
  CORVAN_ENGINE_ENTRY_POINTS(CORVAN_STAND_IN_RESOLVE)
}
