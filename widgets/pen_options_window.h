// The pen options window: 30 colours and a width slider in a small pop-up under its anchor.
#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

// Opens the window under an anchor (its global top-left and size), or closes it when open.
void TogglePenOptions(QPoint anchorTopLeft, QSize anchorSize);
// Any main-window command other than the two that open it closes the window.
void ClosePenOptionsForCommand(int id);
QWidget* PenOptionsWindow();
