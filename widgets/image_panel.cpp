#include "widgets/image_panel.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "document/edit_wrapper.h"
#include "document/session.h"
#include "editing/image_commands.h"
#include "editing/image_objects.h"
#include "editing/selection.h"
#include "editing/shape_panel_model.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_platform.h"
#include "widgets/window_access.h"

namespace {

ImagePanel* g_imagePanel = nullptr;

const QColor kFill(250, 251, 253);
const QColor kFrame(210, 214, 220);
const QColor kValue(35, 42, 52);
const QColor kCaption(105, 112, 122);
const QColor kSeparator(226, 229, 234);

bool PanelWanted() {
  return g_tool.mode == ToolMode::Edit && g_tool.shapePanelRequested && g_selection.object == nullptr &&
         g_session.document != nullptr;
}

void Line(QPainter& p, const QColor& colour, int top, int height, const QString& text, int fontPixels) {
  QFont font = p.font();
  font.setPixelSize(fontPixels);
  p.setFont(font);
  p.setPen(colour);
  p.drawText(QRect(14, top, kPanelWidth - 26, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

}  // namespace

ImagePanel::ImagePanel(QWidget* canvas)
    : QWidget(canvas), angleEdit_(new QLineEdit(this)), apply_(new QPushButton(QStringLiteral("应用"), this)) {
  g_imagePanel = this;
  hide();
  angleEdit_->setText(QStringLiteral("0.00"));
  angleEdit_->setGeometry(14, 244, 116, 24);
  apply_->setGeometry(138, 244, 72, 24);
  connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
  connect(angleEdit_, &QLineEdit::returnPressed, this, [this] { Apply(); });
}

void ImagePanel::Apply() {
  // One undo step, as every edit of the panel.
  bool accepted = true;
  EditScope scope = BeginPossibleEdit();
  accepted = ApplyImageRotationText(angleEdit_->text().toStdU16String());
  EndPossibleEdit(scope);
  RefreshWindow();
  if (!accepted) {
    angleEdit_->setFocus();
    angleEdit_->selectAll();
  }
}

void ImagePanel::Refresh() {
  QWidget* canvas = parentWidget();
  int top = ToolbarBandHeight();
  int bottom = canvas->height() - StatusLineBandHeight();
  setGeometry(canvas->width() - 260, top, kPanelWidth, std::max(0, bottom - top));
  bool image = g_layout.imagePanelShown && g_selection.selectedImage != nullptr;
  angleEdit_->setVisible(image);
  apply_->setVisible(image);
  if (image && !angleEdit_->hasFocus()) {
    auto angle = SelectedImageAngleText();
    if (angle) {
      angleEdit_->setText(ToQString(*angle));
      unreadableImage_ = nullptr;
    } else if (unreadableImage_ != g_selection.selectedImage) {
      unreadableImage_ = g_selection.selectedImage;
      ShowMessage(u"图片属性读取失败", u"无法读取所选图片的旋转角度。", MessageIcon::Error);
    }
  }
  setVisible(g_layout.imagePanelShown);
  update();
}

void ImagePanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kFill);
  p.setPen(kFrame);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  QFont title = p.font();
  title.setPixelSize(16);
  title.setBold(true);
  p.setFont(title);
  p.setPen(kValue);
  p.drawText(QRect(14, 14, kPanelWidth - 26, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("图片属性"));
  p.setPen(kSeparator);
  p.drawLine(12, 48, kPanelWidth - 12, 48);
  FPDF_PAGEOBJECT image = g_selection.selectedImage;
  if (image == nullptr) {
    QFont font = p.font();
    font.setBold(false);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(kCaption);
    p.drawText(QRect(14, 64, kPanelWidth - 26, 54), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("请在页面中选择图片或绘制的图形。"));
    return;
  }
  unsigned w = 0, h = 0;
  bool pixels = g_engine.FPDFImageObj_GetImagePixelSize != nullptr && g_engine.FPDFImageObj_GetImagePixelSize(image, &w, &h);
  Line(p, kCaption, 64, 18, QStringLiteral("原始分辨率"), 12);
  Line(p, kValue, 82, 22, pixels ? QStringLiteral("%1 × %2 像素").arg(w).arg(h) : QStringLiteral("不可用"), 13);
  auto box = ReadAreaBounds(image);
  Line(p, kCaption, 118, 18, box ? QStringLiteral("页面位置（左下角）") : QStringLiteral("页面位置"), 12);
  Line(p, kValue, 136, 22,
       box ? QStringLiteral("X %1, Y %2 pt").arg(double(box->left), 0, 'f', 2).arg(double(box->bottom), 0, 'f', 2)
           : QStringLiteral("不可用"),
       13);
  Line(p, kCaption, 172, 18, QStringLiteral("页面尺寸"), 12);
  Line(p, kValue, 190, 22,
       box ? QStringLiteral("%1 × %2 pt")
                 .arg(double(box->right - box->left), 0, 'f', 2)
                 .arg(double(box->top - box->bottom), 0, 'f', 2)
           : QStringLiteral("不可用"),
       13);
  Line(p, kCaption, 226, 18, QStringLiteral("旋转角度（度）"), 12);
}

ImagePanel* CurrentImagePanel() { return g_imagePanel; }

void RefreshImagePanel() {
  if (g_imagePanel == nullptr) return;
  bool wanted = PanelWanted();
  if (wanted != g_layout.imagePanelShown) {
    SetSidePanelsShown(g_layout.shapePanelShown, wanted);
    if (PageCanvas* canvas = MainCanvas()) canvas->Relayout();
  }
  g_imagePanel->Refresh();
}
