#include "widgets/qt_platform.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QProgressDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QTranslator>
#include <QUrl>

#include "platform/child_process.h"
#include "platform/default_program.h"
#include "platform/platform_seam.h"
#include "widgets/qt_clipboard.h"
#include "widgets/qt_ocr_dialog.h"
#include "widgets/qt_printer.h"
#include "widgets/qt_scan_dialog.h"
#include "widgets/qt_text_dialog.h"

namespace {

QPointer<QWidget> g_owner;
QString g_lastFolder;  // the folder of the file last chosen in a file dialog

// The texts the questions refer to ("是：保存 PDF 副本；否：…"), whatever Qt's translation says.
void NameButtonsInChinese(QMessageBox& box) {
  static const std::pair<QMessageBox::StandardButton, const char*> kNames[] = {
      {QMessageBox::Ok, "确定"}, {QMessageBox::Cancel, "取消"}, {QMessageBox::Yes, "是"}, {QMessageBox::No, "否"}};
  for (const auto& [button, name] : kNames) {
    if (QAbstractButton* shown = box.button(button)) shown->setText(QString::fromUtf8(name));
  }
}

QMessageBox::StandardButton StandardButtonOf(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Ok:
      return QMessageBox::Ok;
    case MessageAnswer::Yes:
      return QMessageBox::Yes;
    case MessageAnswer::No:
      return QMessageBox::No;
    default:
      return QMessageBox::Cancel;
  }
}

MessageAnswer ShowBox(const MessageBoxRequest& request) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  switch (request.icon) {
    case MessageIcon::Warning:
      icon = QMessageBox::Warning;
      break;
    case MessageIcon::Information:
      icon = QMessageBox::Information;
      break;
    case MessageIcon::Question:
      icon = QMessageBox::Question;
      break;
    default:
      break;
  }
  QMessageBox box(icon, ToQString(request.caption), ToQString(request.text), QMessageBox::NoButton,
                  request.ownedByMainWindow ? g_owner.data() : nullptr);
  switch (request.buttons) {
    case MessageButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageButtons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MessageButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MessageButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  box.setDefaultButton(StandardButtonOf(DefaultAnswerOf(request)));
  box.setEscapeButton(StandardButtonOf(EscapeAnswerOf(request.buttons)));
  NameButtonsInChinese(box);
  switch (box.exec()) {
    case QMessageBox::Ok:
      return MessageAnswer::Ok;
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    default:
      return MessageAnswer::Cancel;
  }
}

std::optional<std::u16string> ShowDialog(const FileDialogRequest& request) {
  QStringList filters;
  for (const auto& filter : request.filters) {
    QString patterns = ToQString(filter.patterns);
    patterns.replace(';', ' ');
    filters << ToQString(filter.description).section(" (", 0, 0) + " (" + patterns + ")";
  }
  QFileDialog dialog(g_owner.data(), ToQString(request.title));
  QString folder = request.folder.empty() ? g_lastFolder : ToQString(request.folder);
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(ToQString(request.defaultExtension));
  if (request.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(ToQString(request.defaultName));
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  QString chosen = dialog.selectedFiles().first();
  g_lastFolder = QFileInfo(chosen).absolutePath();
  return ToU16(chosen);
}

// xdg-open tells whether it found a program; Qt's own call only whether it started it.
bool OpenWithDesktop(const std::u16string& path) {
  if (!FindOnSearchPath(u"xdg-open").empty()) return OpenWithDefaultProgram(path);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

std::optional<std::u16string> AskText(const std::u16string& title, const std::u16string& label,
                                      const std::u16string& initial) {
  bool ok = false;
  QString text = QInputDialog::getText(g_owner.data(), ToQString(title), ToQString(label), QLineEdit::Normal,
                                       ToQString(initial), &ok);
  if (!ok) return std::nullopt;
  return ToU16(text);
}

std::optional<uint32_t> ChooseColourWithQt(const std::u16string& title, uint32_t initial) {
  QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
  QColor chosen = QColorDialog::getColor(start, g_owner.data(), ToQString(title));
  if (!chosen.isValid()) return std::nullopt;
  return uint32_t(chosen.red()) | uint32_t(chosen.green()) << 8 | uint32_t(chosen.blue()) << 16;
}

QPointer<QProgressDialog> g_busy;

// Application-modal: the document cannot be edited while a child program or scanner works.
void ShowBusy(const std::u16string& text) {
  auto* dialog = new QProgressDialog(ToQString(text), QStringLiteral("取消"), 0, 0, g_owner.data());
  dialog->setWindowTitle(QStringLiteral("请稍候"));
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->setMinimumDuration(0);
  dialog->setAutoReset(false);
  dialog->setAutoClose(false);
  dialog->show();
  g_busy = dialog;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  QApplication::processEvents();
}

bool PumpEvents() {
  QApplication::processEvents(QEventLoop::AllEvents, 20);
  return g_busy == nullptr || g_busy->wasCanceled();
}

void ChangeBusyText(const std::u16string& text) {
  if (g_busy != nullptr) g_busy->setLabelText(ToQString(text));
}

void HideBusy() {
  QApplication::restoreOverrideCursor();
  delete g_busy.data();
}

}  // namespace

void InstallQtPlatform(QWidget* owner) {
  g_owner = owner;
  g_platform.showMessageBox = ShowBox;
  g_platform.showFileDialog = ShowDialog;
  g_platform.openWithDefaultProgram = OpenWithDesktop;
  g_platform.askText = AskText;
  g_platform.chooseColour = ChooseColourWithQt;
  g_platform.showTextDialog = [](TextDialogRequest& request) { return RunTextDialog(g_owner.data(), request); };
  InstallQtBusyBox();
  InstallQtPrinter(owner);
  g_platform.showOcrResult = [](const std::u16string& text) { ShowOcrResultDialog(g_owner.data(), text); };
  g_platform.showScanDialog = [](ScanDialogRequest& request) { return ShowScanAcquisitionDialog(g_owner.data(), request); };
  InstallQtClipboard();
}

void InstallQtBusyBox() {
  g_platform.beginBusy = ShowBusy;
  g_platform.pumpBusy = PumpEvents;
  g_platform.endBusy = HideBusy;
  g_platform.setBusyText = ChangeBusyText;
}

bool InstallChineseTranslation() {
  // Dialog texts follow the program, not LANG: standard buttons, file, colour and print
  // dialogs speak Chinese like the rest of the window.
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  static QTranslator* translator = nullptr;
  if (translator != nullptr) return true;
  auto* loaded = new QTranslator(QCoreApplication::instance());
  if (!loaded->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete loaded;
    return false;
  }
  QCoreApplication::installTranslator(loaded);
  translator = loaded;
  return true;
}
