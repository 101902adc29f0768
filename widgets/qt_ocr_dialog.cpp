#include "widgets/qt_ocr_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/platform_seam.h"
#include "widgets/qt_platform.h"

namespace {

constexpr int kMaxResultCharacters = 1048576;

}  // namespace

void ShowOcrResultDialog(QWidget* owner, const std::u16string& text) {
  QDialog dialog(owner);
  dialog.setWindowTitle(QStringLiteral("OCR 识别结果"));
  auto* edit = new QPlainTextEdit(ToQString(text).left(kMaxResultCharacters), &dialog);
  edit->setObjectName(QStringLiteral("ocrText"));
  auto* copy = new QPushButton(QStringLiteral("复制"), &dialog);
  copy->setObjectName(QStringLiteral("ocrCopy"));
  auto* close = new QPushButton(QStringLiteral("关闭"), &dialog);
  QObject::connect(edit, &QPlainTextEdit::textChanged, [edit] {
    if (edit->document()->characterCount() - 1 > kMaxResultCharacters) {
      edit->setPlainText(edit->toPlainText().left(kMaxResultCharacters));
    }
  });
  QObject::connect(copy, &QPushButton::clicked, [edit, copy] {
    QString whole = edit->toPlainText();
    QClipboard* clipboard = QApplication::clipboard();
    if (clipboard != nullptr) clipboard->setText(whole);
    if (clipboard == nullptr || clipboard->text() != whole) {
      ShowMessage(u"OCR", u"无法将识别结果复制到剪贴板。", MessageIcon::Warning);
      return;
    }
    copy->setText(QStringLiteral("已复制"));
  });
  QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copy);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(edit);
  layout->addLayout(buttons);
  dialog.resize(520, 360);
  dialog.exec();
}
