// The toolbar buttons' icons: one recognisable drawing per button, as vector paths, so they
// stay sharp on screens with two or more device pixels per pixel.
#pragma once

#include <QIcon>

class QPainter;
class QRectF;

// Draws the icon of button `id` into `box` in the painter's pen colour (the full-screen
// button shows "leave" while full screen is on).
void DrawToolbarIcon(QPainter& painter, int id, const QRectF& box, bool fullScreen);
// The glyph of a page-number button (first, previous, next, last page), drawn at whatever
// size and pixel ratio the button asks for.
QIcon PageTurnIcon(int id);
