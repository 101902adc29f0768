#include "widgets/on_screen_keyboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "platform/platform_seam.h"
#include "view/keyboard_placement.h"
#include "widgets/keyboard_window_x11.h"
#include "widgets/shape_panel.h"

KeyboardWindowSystem g_keyboardWindows = X11KeyboardWindows();

namespace {

constexpr const char16_t* kCaption = u"软键盘不可用";
constexpr const char16_t* kCannotOpen = u"无法打开 onboard 屏幕键盘。请检查系统的屏幕键盘是否可用。";
constexpr const char16_t* kCannotPlace = u"无法调整屏幕键盘的位置。";

void Warn(const char16_t* text) { ShowMessage(kCaption, text, MessageIcon::Warning); }

// The one pending placement: its input, when it started, and since when the keyboard is seen.
struct Placement {
  QPointer<QWidget> target;
  QPointer<QTimer> timer;
  QElapsedTimer started;
  bool seenVisible = false;
  qint64 seenAt = 0;
};
Placement g_placement;
bool g_lastPressFromTouch = false;

void StopTimer() {
  if (g_placement.timer != nullptr) {
    g_placement.timer->stop();
    g_placement.timer->deleteLater();
  }
  g_placement = Placement{};
}

bool MoveBeside(QWidget* target, const KeyboardFrame& keyboard) {
  QScreen* screen = target->screen() != nullptr ? target->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr || keyboard.width <= 0 || keyboard.height <= 0) return false;
  QRect work = screen->availableGeometry();
  QPoint origin = target->mapToGlobal(QPoint(0, 0));
  ScreenPoint at = KeyboardPlacement({origin.x(), origin.y(), origin.x() + target->width(), origin.y() + target->height()},
                                     keyboard.width, keyboard.height,
                                     {work.left(), work.top(), work.right() + 1, work.bottom() + 1});
  return g_keyboardWindows.moveTo != nullptr && g_keyboardWindows.moveTo(at.x, at.y);
}

void Tick() {
  QWidget* target = g_placement.target;
  if (target == nullptr) return StopTimer();  // the input closed
  qint64 now = g_placement.started.elapsed();
  KeyboardFrame keyboard;
  bool found = g_keyboardWindows.find != nullptr && g_keyboardWindows.find(keyboard);
  if (!target->isVisible() || !found || !keyboard.shown) {
    g_placement.seenVisible = false;
  } else if (!g_placement.seenVisible) {
    g_placement.seenVisible = true;
    g_placement.seenAt = now;
  } else if (now - g_placement.seenAt >= kKeyboardSettleMs) {
    StopTimer();
    if (!MoveBeside(target, keyboard)) {
      ShowMessage(kCaption, kCannotPlace, MessageIcon::Warning);
    }
    return;
  }
  if (now >= kKeyboardTimeoutMs) {
    StopTimer();
    Warn(u"屏幕键盘未能显示。");
  }
}

void StartPlacement(QWidget* target) {
  g_placement.target = target;
  g_placement.started.start();
  g_placement.seenVisible = false;
  auto* timer = new QTimer(target);
  timer->setInterval(kKeyboardTickMs);
  QObject::connect(timer, &QTimer::timeout, timer, Tick);
  g_placement.timer = timer;
  timer->start();
}

// Presses remember their device; a touch on a number field of the shape panel brings the
// keyboard.
class TouchTracker : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        const QInputDevice* device = static_cast<QMouseEvent*>(event)->device();
        g_lastPressFromTouch = device != nullptr && device->type() == QInputDevice::DeviceType::TouchScreen;
        // The press has already moved the focus; a touched number field gets the keyboard.
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (g_lastPressFromTouch && edit != nullptr && CurrentShapePanel() != nullptr &&
            edit->parentWidget() == CurrentShapePanel()) {
          ShowOnScreenKeyboard(edit);
        }
        break;
      }
      case QEvent::TouchBegin:
        g_lastPressFromTouch = true;
        break;
      default:
        break;
    }
    return false;
  }
};

}  // namespace

bool ShowOnScreenKeyboard(QWidget* target) {
  StopTimer();
  if (target == nullptr) return false;
  KeyboardFrame keyboard;
  if (g_keyboardWindows.find != nullptr && g_keyboardWindows.find(keyboard)) {
    if (!keyboard.shown && g_keyboardWindows.show != nullptr) g_keyboardWindows.show();
    if (g_keyboardWindows.find(keyboard) && keyboard.shown) {
      StartPlacement(target);
      return true;
    }
    // A keyboard that cannot be brought up is not started a second time.
    Warn(kCannotOpen);
    return false;
  }
  if (g_keyboardWindows.start == nullptr || !g_keyboardWindows.start()) {
    Warn(kCannotOpen);
    return false;
  }
  StartPlacement(target);
  return true;
}

bool ShowOnScreenKeyboardForTouch(QWidget* target) {
  return g_lastPressFromTouch && ShowOnScreenKeyboard(target);
}

void StopKeyboardPlacement(QWidget* target) {
  if (g_placement.target == target || g_placement.target == nullptr) StopTimer();
}

bool KeyboardPlacementPending() { return g_placement.timer != nullptr; }

void InstallTouchTracking() {
  g_lastPressFromTouch = false;  // a new window starts from a mouse
  static TouchTracker* tracker = nullptr;
  if (tracker != nullptr || qApp == nullptr) return;
  tracker = new TouchTracker(qApp);
  qApp->installEventFilter(tracker);
}
