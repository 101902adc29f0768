#include "app/menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include "view/command_ids.h"
#include "view/command_sink.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

// The shape items are drawn by the window: 152 × 28, the name on the left and a small icon
// in the text colour in the rightmost 26 pixels.
class ShapeMenuStyle : public QProxyStyle {
 public:
  static int ShapeOf(const QString& text) {
    static const QStringList kShapes = {QStringLiteral("线段"), QStringLiteral("箭头"), QStringLiteral("矩形"),
                                        QStringLiteral("椭圆"), QStringLiteral("三角形"), QStringLiteral("点")};
    QString plain = text.section('\t', 0, 0);
    return int(kShapes.indexOf(plain));
  }

  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override {
    if (type == CT_MenuItem) {
      if (auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option); item && ShapeOf(item->text) >= 0) {
        return QSize(152, 28);
      }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
  }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    int shape = item != nullptr ? ShapeOf(item->text) : -1;
    if (element != CE_MenuItem || shape < 0) {
      QProxyStyle::drawControl(element, option, painter, widget);
      return;
    }
    bool highlighted = item->state & State_Selected;
    QRect r = item->rect;
    painter->fillRect(r, highlighted ? item->palette.highlight() : item->palette.window());
    QColor ink = highlighted ? item->palette.highlightedText().color() : item->palette.text().color();
    painter->setPen(ink);
    painter->drawText(r.adjusted(8, 0, -26, 0), Qt::AlignLeft | Qt::AlignVCenter, item->text.section('\t', 0, 0));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(ink, 2));
    QRect icon(r.right() - 24, r.top() + 9, 18, 10);
    switch (shape) {
      case 0:
        painter->drawLine(icon.bottomLeft(), icon.topRight());
        break;
      case 1:
        painter->drawLine(icon.bottomLeft(), icon.topRight());
        painter->drawLine(icon.topRight(), icon.topRight() + QPoint(-5, 0));
        painter->drawLine(icon.topRight(), icon.topRight() + QPoint(0, 5));
        break;
      case 2:
        painter->drawRect(icon);
        break;
      case 3:
        painter->drawEllipse(icon);
        break;
      case 4:
        painter->drawPolygon(QPolygon({QPoint(icon.center().x(), icon.top()), icon.bottomRight(), icon.bottomLeft()}));
        break;
      default:
        painter->setBrush(ink);
        painter->drawEllipse(icon.center(), 3, 3);
        break;
    }
    painter->restore();
  }
};

QStyle* ShapeStyle() {
  static ShapeMenuStyle* style = new ShapeMenuStyle;
  return style;
}

QAction* AddRouted(QMenu* menu, MainMenu& main, int id, const QString& text, const QKeySequence& key = {}) {
  QAction* action = menu->addAction(text);
  action->setData(id);
  if (!key.isEmpty()) action->setShortcut(key);
  QObject::connect(action, &QAction::triggered, [id] {
    if (g_sendCommand != nullptr) g_sendCommand(id);
  });
  main.actions[id] = action;
  return action;
}

QAction* AddChoice(QMenu& menu, int id, const QString& text) {
  QAction* action = menu.addAction(text);
  action->setData(id);
  return action;
}

}  // namespace

MainMenu BuildMainMenu(QMenuBar* bar) {
  MainMenu main;
  QMenu* file = bar->addMenu(QStringLiteral("文件"));
  main.file = file;
  AddRouted(file, main, kCmdNewDocument, QStringLiteral("新建空白 PDF"), QKeySequence(Qt::CTRL | Qt::Key_N));
  AddRouted(file, main, kCmdOpen, QStringLiteral("打开文件..."), QKeySequence(Qt::CTRL | Qt::Key_O));
  AddRouted(file, main, kCmdScan, QStringLiteral("从扫描仪新建 PDF..."));
  AddRouted(file, main, kCmdMerge, QStringLiteral("合并 PDF..."));
  AddRouted(file, main, kCmdPrint, QStringLiteral("打印..."), QKeySequence(Qt::CTRL | Qt::Key_P));
  AddRouted(file, main, kCmdSaveCopy, QStringLiteral("保存标注副本..."), QKeySequence(Qt::CTRL | Qt::Key_S));
  AddRouted(file, main, kCmdSaveCvn, QStringLiteral("另存为 CVN..."));
  file->addSeparator();
  AddRouted(file, main, kCmdExit, QStringLiteral("退出(&X)"));

  QMenu* edit = bar->addMenu(QStringLiteral("编辑"));
  main.edit = edit;
  AddRouted(edit, main, kCmdUndo, QStringLiteral("撤销(&Z)"), QKeySequence(Qt::CTRL | Qt::Key_Z));
  AddRouted(edit, main, kCmdRedo, QStringLiteral("重做(&Y)"), QKeySequence(Qt::CTRL | Qt::Key_Y));
  edit->addSeparator();
  AddRouted(edit, main, kCmdCut, QStringLiteral("剪切(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X));
  AddRouted(edit, main, kCmdCopy, QStringLiteral("复制(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C));
  AddRouted(edit, main, kCmdPaste, QStringLiteral("粘贴(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V));
  edit->addSeparator();
  AddRouted(edit, main, kCmdFind, QStringLiteral("查找(&F)"), QKeySequence(Qt::CTRL | Qt::Key_F));
  AddRouted(edit, main, kCmdFindNext, QStringLiteral("查找下一个"), QKeySequence(Qt::Key_F3));
  AddRouted(edit, main, kCmdFindPrevious, QStringLiteral("查找上一个"), QKeySequence(Qt::SHIFT | Qt::Key_F3));

  QMenu* view = bar->addMenu(QStringLiteral("视图"));
  AddRouted(view, main, kCmdPreviousPage, QStringLiteral("上一页"), QKeySequence(Qt::CTRL | Qt::Key_Left));
  AddRouted(view, main, kCmdNextPage, QStringLiteral("下一页"), QKeySequence(Qt::CTRL | Qt::Key_Right));
  view->addSeparator();
  AddRouted(view, main, kCmdZoomIn, QStringLiteral("放大"));
  AddRouted(view, main, kCmdZoomOut, QStringLiteral("缩小"));
  AddRouted(view, main, kCmdFitWidth, QStringLiteral("页宽"));
  AddRouted(view, main, kCmdFitPage, QStringLiteral("整页"));
  view->addSeparator();
  AddRouted(view, main, kCmdRotateLeft, QStringLiteral("逆时针旋转 90°"));
  AddRouted(view, main, kCmdRotateRight, QStringLiteral("顺时针旋转 90°"));

  QMenu* tools = bar->addMenu(QStringLiteral("工具"));
  AddRouted(tools, main, kCmdSelectTool, QStringLiteral("选择工具"));
  AddRouted(tools, main, kCmdHandTool, QStringLiteral("手形工具"));
  AddRouted(tools, main, kCmdSelectTextTool, QStringLiteral("选择文字"));
  auto* radio = new QActionGroup(tools);
  radio->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (QAction* a : {AddRouted(tools, main, kCmdPenTool, QStringLiteral("画曲线")),
                     AddRouted(tools, main, kCmdSelectErase, QStringLiteral("选取擦除"))}) {
    a->setCheckable(true);
    radio->addAction(a);
  }
  AddRouted(tools, main, kCmdForceErase, QStringLiteral("强制擦除（图片像素）"));
  AddRouted(tools, main, kCmdEraseAll, QStringLiteral("全部擦除"));
  tools->addSeparator();
  AddRouted(tools, main, kCmdAddText, QStringLiteral("添加文本"));
  AddRouted(tools, main, kCmdAddWatermark, QStringLiteral("添加水印..."));
  AddRouted(tools, main, kCmdRemoveWatermark, QStringLiteral("删除水印"));
  AddRouted(tools, main, kCmdInsertImage, QStringLiteral("插入图像..."));
  AddRouted(tools, main, kCmdPenOptions, QStringLiteral("颜色和线宽..."));
  AddRouted(tools, main, kCmdBackgroundColour, QStringLiteral("更换底色..."));
  AddRouted(tools, main, kCmdEditMode, QStringLiteral("编辑图形和图像"));
  AddRouted(tools, main, kCmdObjectList, QStringLiteral("对象列表编辑..."));
  tools->addSeparator();
  AddRouted(tools, main, kCmdRecogniseAllPages, QStringLiteral("识别全部页面文字"));
  AddRouted(tools, main, kCmdRecogniseCurrentPage, QStringLiteral("识别当前页文字"));
  AddRouted(tools, main, kCmdRecognisePageRange, QStringLiteral("识别指定页面文字..."));

  QMenu* shapes = bar->addMenu(QStringLiteral("图形"));
  shapes->setStyle(ShapeStyle());
  QAction* segment = AddRouted(shapes, main, kCmdSegmentTool, QStringLiteral("线段"));
  segment->setCheckable(true);
  radio->addAction(segment);
  AddRouted(shapes, main, kCmdArrowTool, QStringLiteral("箭头"));
  AddRouted(shapes, main, kCmdRectangleTool, QStringLiteral("矩形"));
  AddRouted(shapes, main, kCmdEllipseTool, QStringLiteral("椭圆"));
  AddRouted(shapes, main, kCmdTriangleTool, QStringLiteral("三角形"));
  shapes->addSeparator();
  AddRouted(shapes, main, kCmdCoordinateSystem, QStringLiteral("定义坐标系"));

  QMenu* help = bar->addMenu(QStringLiteral("帮助"));
  QAction* about = AddRouted(help, main, kCmdAbout, QStringLiteral("关于(&A) ..."));
  about->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Question), QKeySequence(Qt::ALT | Qt::Key_Slash)});
  return main;
}

void FillDrawingMenu(QMenu& menu) {
  AddChoice(menu, kCmdPenOptions, QStringLiteral("颜色和线宽..."));
  menu.addSeparator();
  struct Item {
    int id;
    const char* text;
  };
  struct Group {
    const char* title;
    std::vector<Item> items;
  };
  const Group groups[] = {
      {"01 线工具", {{kCmdStraightLine, "直线"}, {kCmdSegmentTool, "线段"}, {kCmdFixedLengthSegment, "定长线段..."},
                    {kCmdRay, "射线"}, {kCmdPolyline, "折线"}, {kCmdVector, "向量"}, {kCmdEqualVector, "相等向量"}}},
      {"02 角工具", {}},
      {"03 三角形", {{kCmdTriangleTool, "三角形"}}},
      {"04 四边形", {{kCmdRectangleTool, "矩形"}}},
      {"05 正多边形", {}},
      {"06 圆工具", {{kCmdEllipseTool, "椭圆"}}},
      {"07 崭新坐标系", {}},
      {"08 迷你坐标系", {}},
      {"09 经典坐标系", {{kCmdCoordinateSystem, "定义坐标系"}}},
      {"10 函数工具", {}},
      {"11 箭头工具", {{kCmdArrowTool, "箭头"}}},
      {"12 圆锥曲线A", {}},
      {"13 圆锥曲线B", {}},
      {"14 立几平台", {}},
      {"15 立体几何", {}},
      {"16 曲线工具", {{kCmdPenTool, "画笔曲线"}}},
      {"17 其它工具", {{kCmdPenOptions, "颜色和线宽..."}}},
      {"18 页面模板", {}},
      {"19 点工具", {{kCmdPointTool, "点"}}},
      {"20 虚线工具", {}},
      {"21 相似形", {}},
      {"22 比例", {}},
  };
  for (const Group& group : groups) {
    QMenu* sub = menu.addMenu(QString::fromUtf8(group.title));
    if (group.items.size() == 1 && group.items[0].id == kCmdPointTool) sub->setStyle(ShapeStyle());
    if (group.items.empty()) {
      QAction* none = sub->addAction(QStringLiteral("尚未实现"));
      none->setEnabled(false);
    }
    for (const Item& item : group.items) AddChoice(*sub, item.id, QString::fromUtf8(item.text));
  }
}

void FillPenMenu(QMenu& menu) {
  QAction* pen = AddChoice(menu, kCmdPenTool, QStringLiteral("画笔"));
  pen->setCheckable(true);
  pen->setChecked(g_tool.mode == ToolMode::Pen);
  AddChoice(menu, kCmdPenOptions, QStringLiteral("颜色和线宽..."));
}

void FillEraseMenu(QMenu& menu) {
  AddChoice(menu, kCmdSelectErase, QStringLiteral("选取擦除"));
  AddChoice(menu, kCmdForceErase, QStringLiteral("强制擦除（图片像素）"));
  AddChoice(menu, kCmdEraseAll, QStringLiteral("全部擦除"));
}

void FillFitMenu(QMenu& menu) {
  QAction* width = AddChoice(menu, kCmdFitWidth, QStringLiteral("页宽"));
  QAction* page = AddChoice(menu, kCmdFitPage, QStringLiteral("整页"));
  width->setCheckable(true);
  page->setCheckable(true);
  width->setChecked(g_view.fitMode == FitMode::FitWidth);
  page->setChecked(g_view.fitMode != FitMode::FitWidth);
}

int ExecPopup(QMenu& menu, const QPoint& globalPosition) {
  QAction* chosen = menu.exec(globalPosition);
  return chosen != nullptr ? chosen->data().toInt() : 0;
}
