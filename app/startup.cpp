#include "app/startup.h"

#include <QFontDatabase>
#include <QMessageBox>
#include <cstdio>
#include <string_view>

#include "app/about_dialog.h"
#include "app/corvan_application.h"
#include "app/main_window.h"
#include "app/termination_signals.h"
#include "document/crash_recovery.h"
#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_loader.h"
#include "external/office_conversion.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/page_view.h"
#include "view/tool_modes.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_image_codec.h"
#include "widgets/qt_platform.h"

MainWindow* StartEditorWindow(const QStringList& arguments) {
  auto* window = new MainWindow;
  if (g_platform.showMessageBox == nullptr) InstallQtPlatform(window);
  InstallQtImageCodec();
  g_convertOfficeToPdf = ConvertOfficeToPdf;
  if (NewBlankDocument()) EnterPen();
  window->showMaximized();
  window->canvas()->Relayout();
  std::u16string named = arguments.size() > 1 ? ToU16(arguments.at(1)) : std::u16string();
  if (!named.empty()) OpenDocument(named);
  ClaimRecoverySlot();
  RemoveSnapshotsOfEndedRuns();
  if (OfferRecovery() && !named.empty()) {
    // The recovered document took the place of the file asked for: the user must hear it.
    ShowMessage(u"恢复未保存的文档",
                FillPlaceholders(u"已恢复上次未保存的更改，以下文件未打开：\n%s\n请先保存恢复的文档，再打开该文件。", {named}),
                MessageIcon::Information);
  }
  window->RefreshAll();
  return window;
}

void ShutdownEditor() {
  CloseSessionDocument();
  DropDragEdit();
  DiscardHistory();
  ReleaseConversionFolder();
  DestroyRenderCache();
  ReleaseRecoverySlot(TerminatedBySignal());
  UnloadPdfEngine();
}

void PrepareApplication() {
  // Stable Chinese text regardless of LANG and of which CJK faces are installed.
  if (QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei"))) {
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(13);
    QApplication::setFont(font);
  }
  InstallChineseTranslation();
}

std::optional<int> AnswerInformationRequest(int argc, char** argv) {
  if (argc != 2) return std::nullopt;
  std::string_view option = argv[1];
  if (option == "--version") {
    std::printf("Corvan PDF 编辑器 %s\n", kVersionText);
    return 0;
  }
  if (option == "--help" || option == "-h") {
    std::printf(
        "用法：corvan-pdf [文件]\n"
        "打开 PDF、CVN 或 Office 文档进行标注；不指定文件时新建空白 PDF。\n"
        "\n"
        "  --help     显示此帮助并退出\n"
        "  --version  显示版本并退出\n");
    return 0;
  }
  return std::nullopt;
}

int RunEditor(int argc, char** argv) {
  // Answered before any window exists, so they work without a display.
  if (auto code = AnswerInformationRequest(argc, argv)) return *code;
  CorvanApplication application(argc, argv);
  PrepareApplication();
  if (!LoadPdfEngine()) {
    QMessageBox::critical(nullptr, ToQString(kEngineMissingCaption), ToQString(kEngineMissingText));
    UnloadPdfEngine();
    return 1;
  }
  InstallTerminationHandlers();
  MainWindow* window = StartEditorWindow(application.arguments());
  int code = RunMainLoop();
  delete window;
  ShutdownEditor();
  return code;
}
