#include "widgets/qt_text_dialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "content/text_rules.h"
#include "widgets/on_screen_keyboard.h"
#include "widgets/qt_platform.h"

QDialog* BuildTextDialog(QWidget* owner, TextDialogRequest& request) {
  auto* dialog = new QDialog(owner);
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  QString title = QStringLiteral("添加文本"), label = QStringLiteral("输入要添加的文本："),
          okText = QStringLiteral("添加"), size = QStringLiteral("18"), text;
  bool sizeShown = true;
  if (request.editing) {
    title = QStringLiteral("编辑文本");
    label = QStringLiteral("编辑文本内容：");
    okText = QStringLiteral("应用");
    text = ToQString(request.text);
    size = ToQString(FormatTextSize(request.size));
    sizeShown = request.sizeEditable;
  } else if (request.watermark) {
    title = QStringLiteral("添加水印");
    label = QStringLiteral("输入水印文字：");
    size = QStringLiteral("48");
  }
  dialog->setWindowTitle(title);

  auto* textEdit = new QPlainTextEdit(text, dialog);
  textEdit->setObjectName(kTextDialogTextName);
  textEdit->setTabChangesFocus(true);
  auto* sizeLabel = new QLabel(QStringLiteral("字号（磅）："), dialog);
  auto* sizeEdit = new QLineEdit(size, dialog);
  sizeEdit->setObjectName(kTextDialogSizeName);
  sizeEdit->setFixedWidth(80);
  sizeLabel->setVisible(sizeShown);
  sizeEdit->setVisible(sizeShown);
  auto* ok = new QPushButton(okText, dialog);
  ok->setObjectName(kTextDialogOkName);
  ok->setDefault(false);
  ok->setAutoDefault(false);
  auto* cancel = new QPushButton(QStringLiteral("取消"), dialog);
  cancel->setAutoDefault(false);

  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(new QLabel(label, dialog));
  layout->addWidget(textEdit);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(sizeLabel);
  sizeRow->addWidget(sizeEdit);
  sizeRow->addStretch(1);
  sizeRow->addWidget(ok);
  sizeRow->addWidget(cancel);
  layout->addLayout(sizeRow);
  dialog->resize(420, 240);

  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, textEdit, sizeEdit, sizeShown, &request] {
    std::u16string typed = ToU16(textEdit->toPlainText());
    std::u16string sizeTyped = ToU16(sizeEdit->text());
    if (auto problem = CheckTextDialogInput(typed, sizeTyped, sizeShown)) {
      ShowMessage(problem->caption, problem->text, MessageIcon::Warning);
      if (problem->sizeField) {
        sizeEdit->setFocus();
        sizeEdit->selectAll();
      } else {
        textEdit->setFocus();
      }
      return;  // the dialog stays with what was typed
    }
    request.text = typed;
    if (sizeShown) request.size = *ParseTextSize(sizeTyped);
    dialog->done(1);
  });
  textEdit->setFocus();
  // The keyboard goes beside the text field once the dialog is on screen.
  QTimer::singleShot(0, textEdit, [textEdit] { ShowOnScreenKeyboardForTouch(textEdit); });
  return dialog;
}

bool RunTextDialog(QWidget* owner, TextDialogRequest& request) {
  QDialog* dialog = BuildTextDialog(owner, request);
  bool accepted = dialog->exec() == 1;
  StopKeyboardPlacement(dialog->findChild<QWidget*>(kTextDialogTextName));
  delete dialog;
  return accepted;
}
