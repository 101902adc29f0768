// A small program that starts the engine the way the editor does and reports what it found,
// so that tests can run it from other folders and against stand-in libraries.
//   engine_probe load             prints the library and every empty slot; exit 1 when missing
//   engine_probe features <dir>   exercises page deletion, page moves and CVN files
#include <cstdio>
#include <cstring>
#include <string>

#include "document/cvn_container.h"
#include "document/open_document.h"
#include "document/page_operations.h"
#include "document/session.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

std::string g_dialogAnswer;

MessageAnswer PrintBox(const MessageBoxRequest& request) {
  std::printf("BOX %s|%s|%s\n", Utf8(request.caption).c_str(), Utf8(request.text).c_str(),
              request.ownedByMainWindow ? "owned" : "unowned");
  // Questions about unsaved changes are answered "discard".
  return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

std::optional<std::u16string> AnswerDialog(const FileDialogRequest&) { return Utf8ToUtf16(g_dialogAnswer); }

}  // namespace

int main(int argc, char** argv) {
  g_platform.showMessageBox = PrintBox;
  g_platform.showFileDialog = AnswerDialog;
  std::string mode = argc > 1 ? argv[1] : "load";
  if (!LoadPdfEngine()) {
    int code = ReportPdfEngineMissing();
    UnloadPdfEngine();
    return code;
  }
  std::printf("LIBRARY %s\n", PdfEngineLibraryPath().c_str());
  for (int i = 0; i < EngineSlotCount(); ++i) {
    if (!EngineSlotFilled(i)) std::printf("EMPTY %s\n", EngineSlotAt(i).symbol);
  }
  if (mode == "features" && argc > 2) {
    std::string folder = argv[2];
    NewBlankDocument();
    InsertBlankPage(1);
    std::printf("DELETE %d\n", DeleteCurrentPage() ? 1 : 0);
    std::printf("MOVE %d\n", MovePage(0, 1) ? 1 : 0);
    g_dialogAnswer = folder + "/probe.cvn";
    std::printf("SAVECVN %d\n", SaveAsCvn() ? 1 : 0);
    std::printf("OPENCVN %d\n", OpenDocument(Utf8ToUtf16(folder + "/given.cvn")) ? 1 : 0);
    std::printf("PAGES %d\n", g_session.pageCount);
    CloseSessionDocument();
  }
  UnloadPdfEngine();
  return 0;
}
