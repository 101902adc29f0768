#include "app/about_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

void ShowAboutDialog(QWidget* owner) {
  QDialog dialog(owner);
  dialog.setWindowTitle(QStringLiteral("关于 Corvan PDF 编辑器"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("Corvan PDF 编辑器"), &dialog));
  auto* version = new QLabel(QString::fromUtf8(kVersionText), &dialog);
  version->setObjectName(QStringLiteral("version"));
  layout->addWidget(version);
  layout->addWidget(new QLabel(QStringLiteral("PDF 标注与几何绘图"), &dialog));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  dialog.exec();
}
