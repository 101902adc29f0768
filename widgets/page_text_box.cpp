#include "widgets/page_text_box.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <map>

#include "content/add_text.h"
#include "content/font_table.h"
#include "content/text_box_layout.h"
#include "content/text_rules.h"
#include "document/edit_wrapper.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/pointer_input.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/current_context.h"
#include "view/tool_state.h"
#include "widgets/edit_triggers.h"
#include "widgets/on_screen_keyboard.h"
#include "widgets/qt_platform.h"

namespace {

constexpr const char16_t* kPrompt = u"页面输入文字：选择字体和字号，Ctrl+Enter 完成，Esc 取消";

// The one open box: its widgets, where it writes, and the canvas it sits on.
struct TextBoxState {
  QPointer<QWidget> canvas;
  QPointer<QPlainTextEdit> box;
  QPointer<QLabel> fontLabel, sizeLabel;
  QPointer<QComboBox> fontList;
  QPointer<QLineEdit> sizeField;
  QPointer<QPushButton> colourButton;
  QObject* watcher = nullptr;  // filters the box's keys and focus and the canvas' presses
  PagePoint anchor;
  bool finishing = false;  // a finish is running (its message boxes take the focus)
};
TextBoxState g_box;

QColor ToQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// The family of the face the page will get, so the preview shows the letters that are
// embedded; the display name itself when the file cannot be read.
QString PreviewFamily(const std::u16string& displayName) {
  static std::map<std::u16string, QString> families;
  auto found = families.find(displayName);
  if (found != families.end()) return found->second;
  QString family = ToQString(displayName);
  for (const auto& entry : FontTable()) {
    if (!EqualsIgnoringCase(entry.displayName, displayName)) continue;
    int id = QFontDatabase::addApplicationFont(ToQString(FontFolder()) + "/" + QString::fromUtf8(entry.fileName));
    QStringList loaded = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    if (!loaded.isEmpty()) family = loaded.first();
  }
  families[displayName] = family;
  return family;
}

QFont PreviewFont(const std::u16string& displayName, int pixelHeight) {
  QFont font(PreviewFamily(displayName));
  font.setPixelSize(pixelHeight);
  font.setWeight(QFont::Normal);
  return font;
}

void ApplyColour() {
  QPalette palette = g_box.box->palette();
  palette.setColor(QPalette::Base, Qt::transparent);
  palette.setColor(QPalette::Text, ToQColor(g_textSettings.colour));
  g_box.box->setPalette(palette);
  g_box.box->viewport()->update();
}

bool IsToolControl(QWidget* widget) {
  for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (w == g_box.fontList || w == g_box.sizeField || w == g_box.colourButton) return true;
  }
  // The font list's drop-down is a window of its own.
  return widget != nullptr && g_box.fontList != nullptr && g_box.fontList->view() != nullptr &&
         widget->window() == g_box.fontList->view()->window();
}

// The controls' font and size read again without messages; the preview follows them.
void RebuildPreview() {
  if (g_box.box == nullptr) return;
  int index = g_box.fontList->currentIndex();
  auto size = ParseTextSize(ToU16(g_box.sizeField->text()));
  if (index < 0 || index >= int(FontTable().size()) || !size) return;
  g_textSettings.fontName = FontTable()[size_t(index)].displayName;
  g_textSettings.size = *size;
  TextToolContext ctx = CurrentTextToolContext();
  int h = PreviewPixelHeight(ctx.pageRect, ctx.frame.DisplayedWidth(), ctx.frame.DisplayedHeight(), *size);
  g_box.box->setFont(PreviewFont(g_textSettings.fontName, h));
  g_box.box->resize(g_box.box->width(), TextBoxHeight(ctx.pageRect, g_box.box->y(), h));
}

// Font and size with messages; the size field takes the focus when it is wrong.
bool ReadToolControls(std::u16string& fontName, float& size) {
  int index = g_box.fontList->currentIndex();
  if (index < 0 || index >= int(FontTable().size())) {
    ShowMessage(u"字体无效", u"请选择文本字体。", MessageIcon::Warning);
    return false;
  }
  auto parsed = ParseTextSize(ToU16(g_box.sizeField->text()));
  if (!parsed) {
    ShowMessage(kSizeInvalidCaption, kSizeInvalidText, MessageIcon::Warning);
    g_box.sizeField->setFocus();
    g_box.sizeField->selectAll();
    return false;
  }
  fontName = FontTable()[size_t(index)].displayName;
  size = *parsed;
  return true;
}

// The widgets go once their events are done (a key or focus event of the box may be
// running); the canvas takes the focus when the box had it.
void DestroyBox() {
  StopKeyboardPlacement(g_box.box);
  QWidget* canvas = g_box.canvas;
  bool hadFocus = g_box.box->hasFocus();
  if (canvas != nullptr) canvas->removeEventFilter(g_box.watcher);
  g_box.box->removeEventFilter(g_box.watcher);
  for (QWidget* widget : {static_cast<QWidget*>(g_box.box.data()), static_cast<QWidget*>(g_box.fontLabel.data()),
                          static_cast<QWidget*>(g_box.fontList.data()), static_cast<QWidget*>(g_box.sizeLabel.data()),
                          static_cast<QWidget*>(g_box.sizeField.data()),
                          static_cast<QWidget*>(g_box.colourButton.data())}) {
    if (widget == nullptr) continue;
    widget->hide();
    widget->deleteLater();
  }
  g_box = TextBoxState{};
  if (canvas != nullptr && hadFocus) canvas->setFocus();
}

// Keys and focus of the box, and presses on the canvas while it is open.
class BoxWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == g_box.box && event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape) {
        FinishTextBox(false);
        return true;
      }
      bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
      if (enter && (key->modifiers() & Qt::ControlModifier)) {
        FinishTextBox(true);
        return true;
      }
    } else if (watched == g_box.box && event->type() == QEvent::FocusOut) {
      // Focus lost to another control of the main window adds the text; to the box's own
      // controls, to a dialog or to another program it does not.
      // A press on the canvas takes the focus before the press arrives: the press decides.
      QWidget* next = QApplication::focusWidget();
      auto reason = static_cast<QFocusEvent*>(event)->reason();
      bool canvasPress = next == g_box.canvas && reason == Qt::MouseFocusReason;
      if (!g_box.finishing && next != nullptr && !canvasPress && !IsToolControl(next) && g_box.canvas != nullptr &&
          next->window() == g_box.canvas->window()) {
        FinishTextBox(true);
      }
    } else if (watched == g_box.canvas && event->type() == QEvent::MouseButtonPress) {
      // A click on the page in text mode only gives the box its focus back (the text tool
      // does it); any other press on the canvas ends the box first, as leaving it would.
      auto* mouse = static_cast<QMouseEvent*>(event);
      QPoint p = mouse->position().toPoint();
      bool onPage = g_tool.mode == ToolMode::Text && InsidePage(p.x(), p.y());
      if (!onPage && mouse->button() == Qt::LeftButton) FinishTextBox(true);
    }
    return false;
  }
};

void CreateControls(QWidget* canvas, const TextBoxLayout& layout) {
  int L = layout.row.x, T = layout.row.y;
  QFont gui = QApplication::font();
  g_box.fontLabel = new QLabel(QStringLiteral("字体:"), canvas);
  g_box.fontLabel->setGeometry(L + kRowFontLabelX, T + 3, 32, 18);
  g_box.fontList = new QComboBox(canvas);
  g_box.fontList->setGeometry(L + kRowFontListX, T, 108, 22);
  int selected = 0;
  for (size_t i = 0; i < FontTable().size(); ++i) {
    g_box.fontList->addItem(ToQString(FontTable()[i].displayName));
    if (EqualsIgnoringCase(FontTable()[i].displayName, g_textSettings.fontName)) selected = int(i);
  }
  g_box.fontList->setCurrentIndex(selected);
  g_box.fontList->view()->setMinimumWidth(150);
  g_box.sizeLabel = new QLabel(QStringLiteral("字号:"), canvas);
  g_box.sizeLabel->setGeometry(L + kRowSizeLabelX, T + 3, 40, 18);
  g_box.sizeField = new QLineEdit(ToQString(FormatTextSize(g_textSettings.size)), canvas);
  g_box.sizeField->setGeometry(L + kRowSizeFieldX, T, 56, 22);
  g_box.colourButton = new QPushButton(QStringLiteral("颜色..."), canvas);
  g_box.colourButton->setGeometry(L + kRowColourX, T, 64, 22);
  g_box.colourButton->setFocusPolicy(Qt::NoFocus);  // the focus stays in the box
  for (QWidget* control : {static_cast<QWidget*>(g_box.fontLabel.data()), static_cast<QWidget*>(g_box.fontList.data()),
                           static_cast<QWidget*>(g_box.sizeLabel.data()), static_cast<QWidget*>(g_box.sizeField.data()),
                           static_cast<QWidget*>(g_box.colourButton.data())}) {
    control->setFont(gui);
    control->setAutoFillBackground(true);
    control->show();
  }
  QObject::connect(g_box.fontList.data(), &QComboBox::activated, g_box.fontList.data(), [](int) {
    RebuildPreview();
    if (g_box.box != nullptr) g_box.box->setFocus();
  });
  QObject::connect(g_box.sizeField.data(), &QLineEdit::editingFinished, g_box.sizeField.data(), RebuildPreview);
  QObject::connect(g_box.colourButton.data(), &QPushButton::clicked, g_box.colourButton.data(), [] {
    if (auto chosen = ChooseColour(u"文字颜色", g_textSettings.colour)) {
      g_textSettings.colour = *chosen;
      if (g_box.box != nullptr) ApplyColour();
    }
    if (g_box.box != nullptr) g_box.box->setFocus();
  });
}

}  // namespace

void InstallTextTool(QWidget* canvas) {
  static QPointer<QWidget> toolCanvas;
  toolCanvas = canvas;
  g_pageMenus.textClick = [](ScreenPoint point) {
    if (toolCanvas != nullptr) OpenTextBox(toolCanvas, point);
  };
}

void OpenTextBox(QWidget* canvas, ScreenPoint click) {
  if (g_box.box != nullptr) {
    g_box.box->setFocus();
    ShowOnScreenKeyboardForTouch(g_box.box);
    return;
  }
  TextToolContext ctx = CurrentTextToolContext();
  if (ctx.screenToPage == nullptr) return;
  auto anchor = ctx.screenToPage(click.x, click.y);
  if (!anchor) return;
  auto layout = LayoutTextBox(ctx.pageRect, click, ctx.frame.DisplayedWidth(), ctx.frame.DisplayedHeight(),
                              g_textSettings.size);
  if (!layout) return;
  g_box.canvas = canvas;
  g_box.anchor = *anchor;
  CreateControls(canvas, *layout);

  auto* box = new QPlainTextEdit(canvas);
  box->setObjectName(kInPlaceTextEditorName);  // the undo wrapper knows Ctrl+Enter here
  box->setGeometry(layout->box.left, layout->box.top, layout->box.Width(), layout->box.Height());
  box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setTabChangesFocus(true);
  // The page shows through: nothing paints the box's background but the canvas below it.
  box->viewport()->setAutoFillBackground(false);
  box->setAutoFillBackground(false);
  box->setFont(PreviewFont(g_textSettings.fontName, layout->previewHeight));
  g_box.box = box;
  ApplyColour();
  QObject::connect(box, &QPlainTextEdit::textChanged, box, [box] {
    // At most 4096 characters, typed or pasted.
    QString text = box->toPlainText();
    if (text.size() <= int(kMaxTextLength)) return;
    QTextCursor cursor = box->textCursor();
    int at = std::min(cursor.position(), int(kMaxTextLength));
    box->setPlainText(text.left(int(kMaxTextLength)));
    cursor = box->textCursor();
    cursor.setPosition(at);
    box->setTextCursor(cursor);
  });
  g_box.watcher = new BoxWatcher(box);
  box->installEventFilter(g_box.watcher);
  canvas->installEventFilter(g_box.watcher);
  box->show();
  box->setFocus();
  ShowOnScreenKeyboardForTouch(box);
  g_session.statusText = kPrompt;
  g_window.changed(Change::Status);
}

void FinishTextBox(bool commit) {
  if (g_box.box == nullptr || g_box.finishing) return;
  // A finish by focus loss comes from no wrapped input: the addition is one undo step here.
  EditScope scope = BeginPossibleEdit();
  g_box.finishing = true;
  std::u16string text = ToU16(g_box.box->toPlainText());
  size_t n = text.size();
  std::u16string fontName;
  float size = 0;
  if (commit && n > 0) {
    bool ready = ReadToolControls(fontName, size);
    if (ready && n <= kMaxTextLength) {
      auto lines = SplitTextLines(text);
      std::u16string characters;
      if (lines) {
        for (const auto& line : *lines) characters += line;
        FPDF_FONT font = GetFontByName(fontName, characters);
        // Characters the font has no glyph for are named, and the box keeps what was typed.
        ready = font != nullptr && FontWritesEvery(font, characters, CurrentOps());
        if (!ready) g_box.box->setFocus();
      }
    }
    if (!ready) {
      g_box.finishing = false;
      EndPossibleEdit(scope);
      return;  // the box stays open with what was typed
    }
  }
  PagePoint anchor = g_box.anchor;
  DestroyBox();
  if (commit && n > kMaxTextLength) {
    ShowMessage(u"文本无效", u"文本长度不能超过 4096 个字符。", MessageIcon::Warning);
  } else if (commit && n > 0) {
    if (AddTextLines(CurrentTextToolContext(), anchor, text, fontName, size, g_textSettings.colour)) {
      g_window.changed(Change::Status);
    } else {
      ShowMessage(kTextNotAddedCaption, kTextNotAddedText, MessageIcon::Error);
    }
  }
  EndPossibleEdit(scope);
  g_window.toolModeChanged();
}

QPlainTextEdit* TextBoxEditor() { return g_box.box; }
QComboBox* TextBoxFontList() { return g_box.fontList; }
QLineEdit* TextBoxSizeField() { return g_box.sizeField; }
QPushButton* TextBoxColourButton() { return g_box.colourButton; }
