// The platform seam on Qt: message boxes, file dialogs, the desktop's default program, and
// the small text dialog, all owned by the main window.
#pragma once

#include <QString>
#include <string>

class QWidget;

void InstallQtPlatform(QWidget* owner);
// Loads Qt's Chinese translation whatever the locale; false when it is not installed.
bool InstallChineseTranslation();
// Only the progress box of long waits (tests keep their scripted message boxes).
void InstallQtBusyBox();

inline QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }
inline std::u16string ToU16(const QString& text) { return text.toStdU16String(); }
