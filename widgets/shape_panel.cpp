#include "widgets/shape_panel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "document/edit_wrapper.h"
#include "document/session.h"
#include "editing/selection.h"
#include "editing/shape_panel_model.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"
#include "widgets/pen_options_window.h"
#include "widgets/qt_platform.h"
#include "widgets/window_access.h"

namespace {

ShapePanel* g_panel = nullptr;

const QColor kPanelFill(250, 250, 253);
const QColor kPanelFrame(210, 215, 220);
const QColor kTitle(35, 42, 52);
const QColor kLabel(70, 76, 86);
const QColor kValue(105, 112, 122);

// The panel's edits are edits of the document: each one is one undo step.
template <typename Edit>
void Wrapped(Edit edit) {
  EditScope scope = BeginPossibleEdit();
  edit();
  EndPossibleEdit(scope);
  RefreshWindow();
}

int Top() { return g_layout.fullScreen ? 0 : kToolbarHeight; }

void Text(QPainter& p, const QColor& colour, int y0, int y1, const QString& text, int x0 = 14, int x1 = 228) {
  p.setPen(colour);
  p.drawText(QRect(x0, y0, x1 - x0, y1 - y0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

QColor PenColour() {
  uint32_t c = g_tool.drawColor;
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

}  // namespace

ShapePanel::ShapePanel(QWidget* canvas)
    : QWidget(canvas),
      colourButton_(new QPushButton(QStringLiteral("选择颜色..."), this)),
      widthEdit_(new QLineEdit(this)),
      applyWidth_(new QPushButton(this)),
      lengthEdit_(new QLineEdit(this)),
      applyLength_(new QPushButton(QStringLiteral("应用"), this)),
      close_(new QPushButton(QStringLiteral("×"), this)),
      sideEdit_(new QLineEdit(this)) {
  g_panel = this;
  hide();
  sideEdit_->hide();
  connect(colourButton_, &QPushButton::clicked, this, [this] {
    TogglePenOptions(colourButton_->mapToGlobal(QPoint(0, 0)), colourButton_->size());
  });
  connect(applyWidth_, &QPushButton::clicked, this, [this] {
    bool accepted = true;
    Wrapped([&] { accepted = ApplyWidth(widthEdit_->text().toStdU16String()); });
    if (!accepted) {
      widthEdit_->setFocus();
    } else {
      widthEdit_->setText(ToQString(FormatTwoPlaces(g_tool.lineWidth)));
    }
  });
  auto applyLength = [this] {
    bool accepted = true;
    Wrapped([&] { accepted = ApplyLength(lengthEdit_->text().toStdU16String()); });
    if (!accepted) {
      lengthEdit_->setFocus();
      lengthEdit_->selectAll();
    } else {
      lengthEdit_->setText(ToQString(FormatTwoPlaces(ShownLengthCm())));  // "5" becomes "5.00"
    }
  };
  connect(applyLength_, &QPushButton::clicked, this, applyLength);
  connect(lengthEdit_, &QLineEdit::returnPressed, this, applyLength);
  connect(close_, &QPushButton::clicked, this, [] {
    g_tool.shapePanelRequested = false;
    InvalidateRender(true);
    RefreshShapePanel();
  });
  connect(sideEdit_, &QLineEdit::returnPressed, this, [this] { ApplySide(); });
  connect(sideEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
    int width = std::clamp(sideEdit_->fontMetrics().horizontalAdvance(text) + 12, 30, 136);
    if (width != sideEdit_->width()) {
      sideEdit_->resize(width, 28);
      update();
    }
  });
  sideEdit_->installEventFilter(this);
  lengthEdit_->installEventFilter(this);
}

void ShapePanel::Refresh() {
  bool shown = g_layout.shapePanelShown;
  int w = parentWidget()->width();
  int top = Top();
  setGeometry(w - 260, top, kPanelWidth, std::max(0, parentWidget()->height() - StatusLineBandHeight() - top));
  PanelLayout layout = CurrentPanelLayout();
  bool segment = layout == PanelLayout::Segment;
  bool colourWidth = layout == PanelLayout::Point || segment || layout == PanelLayout::Line;
  colourButton_->setGeometry(68, segment ? 178 : 64, 140, 24);
  widthEdit_->setGeometry(14, segment ? 248 : 130, 100, 24);
  applyWidth_->setGeometry(145, segment ? 248 : 130, 70, 24);
  applyWidth_->setText(layout == PanelLayout::Point ? QStringLiteral("应用大小") : QStringLiteral("应用线宽"));
  if (segment) {
    lengthEdit_->setGeometry(72, 122, 105, 24);
  } else {
    lengthEdit_->setGeometry(14, 252, 100, 24);
  }
  applyLength_->setGeometry(145, 252, 70, 24);
  close_->setGeometry(kPanelWidth - 30, 8, 24, 24);
  for (QWidget* c : {static_cast<QWidget*>(colourButton_), static_cast<QWidget*>(widthEdit_),
                     static_cast<QWidget*>(applyWidth_)}) {
    c->setVisible(colourWidth);
  }
  lengthEdit_->setVisible(segment || layout == PanelLayout::Line);
  applyLength_->setVisible(layout == PanelLayout::Line);
  if (!widthEdit_->hasFocus()) widthEdit_->setText(ToQString(FormatTwoPlaces(g_tool.lineWidth)));
  if (!lengthEdit_->hasFocus()) lengthEdit_->setText(ToQString(FormatTwoPlaces(ShownLengthCm())));
  bool sides = layout == PanelLayout::Rectangle || layout == PanelLayout::Triangle;
  if (editedRow_ >= 0 && (!shown || !sides)) CancelSideEdit();
  setVisible(shown);
  update();
}

int ShapePanel::RowTop(int row) const {
  return (CurrentPanelLayout() == PanelLayout::Rectangle ? 124 : 96) + 36 * row;
}

void ShapePanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kPanelFill);
  p.setPen(kPanelFrame);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  QFont title = p.font();
  title.setPixelSize(16);
  title.setBold(true);
  QFont normal = p.font();
  normal.setPixelSize(13);
  PanelLayout layout = CurrentPanelLayout();
  static const char16_t* const kTitles[] = {u"点属性", u"矩形属性", u"三角形属性", u"线段属性", u"直线属性"};
  p.setFont(title);
  Text(p, kTitle, 14, 42, ToQString(kTitles[int(layout)]), 14, 200);
  p.setFont(normal);
  QString width = ToQString(FormatTwoPlaces(g_tool.lineWidth));
  switch (layout) {
    case PanelLayout::Point:
      Text(p, kLabel, 64, 90, QStringLiteral("颜色"), 14, 60);
      Text(p, kLabel, 104, 124, QStringLiteral("大小（pt，1–100）"));
      Text(p, kValue, 170, 190, QStringLiteral("当前大小：%1 pt").arg(width));
      p.setPen(Qt::NoPen);
      p.setBrush(PenColour());
      p.drawEllipse(QPoint(36, 224), 9, 9);
      break;
    case PanelLayout::Rectangle:
    case PanelLayout::Triangle: {
      bool rectangle = layout == PanelLayout::Rectangle;
      if (rectangle) {
        std::u16string corners = SelectedCornerNames();
        Text(p, kValue, 60, 84, ToQString(corners.empty() ? u"端点编号不可用" : corners));
        Text(p, kLabel, 86, 108, QStringLiteral("边长（双击数值修改）"));
      } else {
        Text(p, kLabel, 62, 86, QStringLiteral("边长"));
      }
      auto rows = SelectedSideRows();
      if (!rows) {
        Text(p, kValue, RowTop(0), RowTop(0) + 28,
             rectangle ? QStringLiteral("无法计算矩形边长。") : QStringLiteral("无法计算三角形边长。"));
        break;
      }
      for (int i = 0; i < rows->count; ++i) {
        QString name = ToQString(rows->names[size_t(i)]);
        if (i == editedRow_) {
          Text(p, kValue, RowTop(i), RowTop(i) + 28, name + ":");
          int after = sideEdit_->geometry().right() + 4;
          Text(p, kValue, RowTop(i), RowTop(i) + 28, QStringLiteral("cm"), after, 228);
        } else {
          Text(p, kValue, RowTop(i), RowTop(i) + 28,
               name + ": " + ToQString(FormatTwoPlaces(rows->lengths[size_t(i)])) + " cm");
        }
      }
      break;
    }
    case PanelLayout::Segment: {
      std::u16string corners = SelectedCornerNames();
      Text(p, kValue, 60, 86, ToQString(corners.empty() ? u"端点编号不可用" : corners));
      QString lengthLabel = QStringLiteral("长度:");
      if (!corners.empty()) {
        std::u16string n = corners.substr(std::u16string(u"端点：a").size());
        n = n.substr(0, n.find(u'、'));
        lengthLabel = QStringLiteral("a%1-b%1:").arg(ToQString(n));
      }
      Text(p, kLabel, 94, 116, lengthLabel);
      Text(p, kLabel, 122, 146, QStringLiteral("cm"), 182, 228);
      Text(p, kLabel, 174, 200, QStringLiteral("颜色"), 14, 60);
      Text(p, kLabel, 214, 238, QStringLiteral("线宽（pt）"));
      Text(p, kValue, 280, 304, QStringLiteral("当前线宽：%1 pt").arg(width));
      break;
    }
    case PanelLayout::Line:
      Text(p, kLabel, 64, 90, QStringLiteral("颜色"), 14, 60);
      Text(p, kLabel, 104, 124, QStringLiteral("线宽（pt，1–20）"));
      Text(p, kValue, 170, 190, QStringLiteral("当前线宽：%1 pt").arg(width));
      Text(p, kLabel, 222, 244, QStringLiteral("长度（cm；0=自由）"));
      Text(p, kValue, 284, 312,
           g_selection.lengthCm > 0
               ? QStringLiteral("后续直线固定为 %1 cm").arg(ToQString(FormatTwoPlaces(g_selection.lengthCm)))
               : QStringLiteral("后续直线长度由拖动决定"));
      break;
  }
}

void ShapePanel::mousePressEvent(QMouseEvent* event) { event->accept(); }

void ShapePanel::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void ShapePanel::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void ShapePanel::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  PanelLayout layout = CurrentPanelLayout();
  if (layout != PanelLayout::Rectangle && layout != PanelLayout::Triangle) return;
  int rows = layout == PanelLayout::Rectangle ? 4 : 3;
  int y = event->position().toPoint().y();
  for (int i = 0; i < rows; ++i) {
    if (y >= RowTop(i) && y < RowTop(i) + 28) BeginSideEdit(i);
  }
}

void ShapePanel::BeginSideEdit(int row) {
  bool rectangle = CurrentPanelLayout() == PanelLayout::Rectangle;
  auto rows = SelectedSideRows();
  if (!rows || row < 0 || row >= rows->count) {
    ShowMessage(rectangle ? u"矩形属性" : u"三角形属性", rectangle ? u"无法读取矩形边长。" : u"无法读取三角形边长。",
                MessageIcon::Error);
    return;
  }
  editedRow_ = row;
  QString text = ToQString(FormatTwoPlaces(rows->lengths[size_t(row)]));
  sideEdit_->setText(text);
  int width = std::clamp(sideEdit_->fontMetrics().horizontalAdvance(text) + 12, 30, 136);
  sideEdit_->setGeometry(62, RowTop(row), width, 28);
  sideEdit_->show();
  sideEdit_->setFocus();
  sideEdit_->selectAll();
  update();
}

void ShapePanel::CancelSideEdit() {
  if (editedRow_ < 0) return;
  editedRow_ = -1;
  sideEdit_->hide();
  if (PageCanvas* canvas = MainCanvas()) canvas->setFocus();
  update();
}

void ShapePanel::ApplySide() {
  int row = editedRow_;
  bool accepted = true;
  applying_ = true;
  Wrapped([&] { accepted = ApplySideLength(row, sideEdit_->text().toStdU16String()); });
  applying_ = false;
  if (!accepted) {
    sideEdit_->setFocus();
    sideEdit_->selectAll();
    return;
  }
  CancelSideEdit();
}

bool ShapePanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == sideEdit_ && editedRow_ >= 0) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      CancelSideEdit();
      return true;
    }
    if (event->type() == QEvent::FocusOut && !applying_) {
      CancelSideEdit();  // a warning box taking the focus comes back through ApplySide
      return false;
    }
  }
  if (watched == lengthEdit_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    lengthEdit_->setText(ToQString(FormatTwoPlaces(ShownLengthCm())));
    if (PageCanvas* canvas = MainCanvas()) canvas->setFocus();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

ShapePanel* CurrentShapePanel() { return g_panel; }

void RefreshShapePanel() {
  if (g_panel == nullptr) return;
  bool changed = UpdatePanelShown();
  if (PageCanvas* canvas = MainCanvas(); changed && canvas != nullptr) canvas->Relayout();
  g_panel->Refresh();
}
