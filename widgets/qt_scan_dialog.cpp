#include "widgets/qt_scan_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include "widgets/qt_platform.h"

bool ShowScanAcquisitionDialog(QWidget* owner, ScanDialogRequest& request) {
  QDialog dialog(owner);
  dialog.setWindowTitle(QStringLiteral("扫描 PDF"));
  auto* form = new QFormLayout(&dialog);
  auto* devices = new QComboBox(&dialog);
  devices->setObjectName(QStringLiteral("scanDevice"));
  for (const auto& label : request.devices) devices->addItem(ToQString(label));
  devices->setCurrentIndex(request.device);
  auto* dpi = new QSpinBox(&dialog);
  dpi->setObjectName(QStringLiteral("scanDpi"));
  dpi->setRange(10, 9600);
  dpi->setSuffix(QStringLiteral(" dpi"));
  dpi->setValue(request.dpi);
  auto* colour = new QComboBox(&dialog);
  colour->setObjectName(QStringLiteral("scanMode"));
  colour->addItem(QStringLiteral("彩色"), QStringLiteral("Color"));
  colour->addItem(QStringLiteral("灰度"), QStringLiteral("Gray"));
  for (const auto& [name, value] : request.deviceOptions) {
    if (name == "mode") colour->setCurrentIndex(value == "Gray" ? 1 : 0);
  }
  form->addRow(QStringLiteral("扫描第 %1 页").arg(request.pageNumber), static_cast<QWidget*>(nullptr));
  form->addRow(QStringLiteral("扫描仪："), devices);
  form->addRow(QStringLiteral("分辨率："), dpi);
  form->addRow(QStringLiteral("颜色："), colour);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(QStringLiteral("扫描"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  request.device = devices->currentIndex();
  request.dpi = dpi->value();
  request.deviceOptions = {{"mode", colour->currentData().toString().toStdString()}};
  return true;
}
