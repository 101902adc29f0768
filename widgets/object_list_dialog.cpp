#include "widgets/object_list_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "content/text_objects.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/image_commands.h"
#include "editing/selection.h"
#include "editing/text_selection.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "widgets/qt_platform.h"
#include "widgets/window_access.h"

ObjectListDialog::ObjectListDialog(QWidget* parent, PageObjectScan scan) : QDialog(parent) {
  setWindowTitle(QStringLiteral("编辑 PDF 内容"));
  setModal(true);
  resize(560, 420);
  summary_ = new QLabel(this);
  list_ = new QListWidget(this);
  edit_ = new QPushButton(QStringLiteral("编辑文本"), this);
  replace_ = new QPushButton(QStringLiteral("替换图片"), this);
  delete_ = new QPushButton(QStringLiteral("删除对象"), this);
  auto* close = new QPushButton(QStringLiteral("关闭"), this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {edit_, replace_, delete_}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  connect(list_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  connect(edit_, &QPushButton::clicked, this, [this] { EditSelected(); });
  connect(replace_, &QPushButton::clicked, this, [this] { ReplaceSelected(); });
  connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  Show(std::move(scan));
}

void ObjectListDialog::Refresh() { Show(ScanPageObjects(g_session.currentPage, CurrentOps())); }

void ObjectListDialog::Show(PageObjectScan scan) {
  list_->clear();
  entries_.clear();
  if (!scan.ok) {
    summary_->setText(ToQString(scan.message));
    ShowMessage(u"读取 PDF 内容失败", scan.message, MessageIcon::Error);
    UpdateButtons();
    return;
  }
  entries_ = std::move(scan.entries);
  summary_->setText(ToQString(FillPlaceholders(u"当前页有 %d 个可编辑对象（文本和图片）", {Num(static_cast<long long>(entries_.size()))})));
  if (entries_.empty()) {
    auto* line = new QListWidgetItem(QStringLiteral("当前页没有可编辑的文本或图片。"), list_);
    line->setFlags(Qt::NoItemFlags);
  } else {
    for (const ListedObject& entry : entries_) list_->addItem(ToQString(entry.label));
    list_->setCurrentRow(0);
  }
  UpdateButtons();
}

const ListedObject* ObjectListDialog::Selected() const {
  int row = list_->currentRow();
  return row >= 0 && size_t(row) < entries_.size() ? &entries_[size_t(row)] : nullptr;
}

void ObjectListDialog::UpdateButtons() {
  ListedActions actions = ActionsFor(Selected(), CurrentOps());
  edit_->setEnabled(actions.editText);
  replace_->setEnabled(actions.replaceImage);
  delete_->setEnabled(actions.remove);
}

void ObjectListDialog::PageChanged(const std::u16string& doneClause) {
  NotifyObjectModified(doneClause);
  Refresh();
}

void ObjectListDialog::EditSelected() {
  const ListedObject* entry = Selected();
  if (entry == nullptr || !ActionsFor(entry, CurrentOps()).editText) return;
  FPDF_PAGEOBJECT edited = entry->object;
  TextEditOutcome outcome = EditListedText(g_session.document, g_session.currentPage, *entry, CurrentOps());
  // A text rebuilt in a new font subset is a new object: a selection on the page follows it.
  if (outcome.replacement != nullptr && g_selection.selectedText == edited) g_selection.selectedText = outcome.replacement;
  if (outcome.Commit()) PageChanged(u"文本已更新");
}

void ObjectListDialog::ReplaceSelected() {
  const ListedObject* entry = Selected();
  if (entry == nullptr || !ActionsFor(entry, CurrentOps()).replaceImage) return;
  if (!ReplaceImageObject(entry->object)) return;
  // Like an edited text, a changed picture inside a form only lasts once the form is opened
  // onto the page.
  KeepEditOfListedObject(g_session.currentPage, *entry, CurrentOps(), u"替换图片警告",
                         u"图片已替换，但所在的 PDF 表单无法展开到页面，保存后可能仍是原图片；请检查或撤销。");
  PageChanged(u"图片已替换");
}

void ObjectListDialog::DeleteSelected() {
  const ListedObject* entry = Selected();
  if (entry == nullptr || !ActionsFor(entry, CurrentOps()).remove) return;
  if (ShowMessage(u"删除 PDF 对象", u"确定删除所选对象吗？\n" + entry->label, MessageIcon::Question,
                  MessageButtons::YesNo) != MessageAnswer::Yes) {
    return;
  }
  bool pageTouched = false;
  bool deleted = DeleteListedObject(g_session.currentPage, *entry, CurrentOps(), pageTouched);
  if (!deleted) {
    // Opening up a form can fail after some of its objects already moved onto the page.
    ShowMessage(u"删除对象失败",
                pageTouched ? u"PDFium 无法删除所选对象。页面可能已改变，请检查或撤销。" : u"PDFium 无法删除所选对象。",
                MessageIcon::Error);
  }
  if (pageTouched) PageChanged(u"对象已删除");
}

void OpenObjectList() {
  if (g_session.document == nullptr || g_session.currentPage == nullptr) return;
  ClearDrawnSelection();
  g_window.changed(Change::Selection);
  PageObjectScan scan = ScanPageObjects(g_session.currentPage, CurrentOps());
  if (!scan.ok) {
    ShowMessage(u"编辑 PDF 内容失败", scan.message, MessageIcon::Error);
    return;
  }
  ObjectListDialog dialog(MainWindowWidget(), std::move(scan));
  dialog.exec();
}
