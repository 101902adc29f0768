#include "view/on_screen_keyboard.h"

#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include "platform/platform_seam.h"
#include "view/keyboard_placement.h"

namespace {

QPointer<QProcess> g_keyboard;

constexpr const char16_t* kCannotOpen = u"无法打开 onboard 屏幕键盘。请检查系统的屏幕键盘是否可用。";

void Warn(const char16_t* text) { ShowMessage(u"软键盘不可用", text, MessageIcon::Warning); }

}  // namespace

bool ShowOnScreenKeyboard(QWidget* target) {
  QString program = QStandardPaths::findExecutable(QStringLiteral("onboard"));
  if (program.isEmpty() || target == nullptr) {
    Warn(kCannotOpen);
    return false;
  }
  QScreen* screen = target->screen() != nullptr ? target->screen() : QGuiApplication::primaryScreen();
  QRect work = screen->availableGeometry();
  QRect global(target->mapToGlobal(QPoint(0, 0)), target->size());
  ScreenPoint at = KeyboardPlacement({global.left(), global.top(), global.right() + 1, global.bottom() + 1},
                                     kKeyboardWidth, kKeyboardHeight,
                                     {work.left(), work.top(), work.right() + 1, work.bottom() + 1});
  // A keyboard already open is placed again by starting it anew at the new place.
  if (g_keyboard != nullptr) {
    g_keyboard->kill();
    g_keyboard->waitForFinished(1000);
    g_keyboard->deleteLater();
  }
  auto* process = new QProcess(target->window());
  QStringList arguments = {QStringLiteral("-x"), QString::number(at.x), QStringLiteral("-y"), QString::number(at.y),
                           QStringLiteral("-s"),
                           QStringLiteral("%1x%2").arg(kKeyboardWidth).arg(kKeyboardHeight)};
  // onboard needs a session bus; give it one of its own when the desktop has none.
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
      !QStandardPaths::findExecutable(QStringLiteral("dbus-run-session")).isEmpty()) {
    arguments.prepend(program);
    arguments.prepend(QStringLiteral("--"));
    program = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
  }
  g_keyboard = process;
  auto* timeout = new QTimer(process);
  timeout->setSingleShot(true);
  QObject::connect(timeout, &QTimer::timeout, process, [process] {
    if (process->state() != QProcess::Running) Warn(u"屏幕键盘未能显示。");
  });
  QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) {
      Warn(kCannotOpen);
      process->deleteLater();
    }
  });
  process->start(program, arguments);
  timeout->start(kKeyboardTimeoutMs);
  return true;
}
