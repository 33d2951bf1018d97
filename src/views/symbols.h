#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace kernwick {

// The symbol names the window uses mapped to the bundled icons; empty for a name not in the table.
QString symbolResource(const QString &symbolName);

// Draws the symbol centred in `rect`, fitted to its height (glyph size as for text of that size), in
// `color`. Unknown names draw nothing.
void paintSymbol(QPainter &painter, const QString &symbolName, const QRectF &rect, const QColor &color);

// The symbol as a square pixmap of `size` device-independent pixels in `color`, for menus and buttons.
QPixmap symbolPixmap(const QString &symbolName, int size, const QColor &color, qreal devicePixelRatio = 1);

// The application's logo.
QPixmap logoPixmap(int size, qreal devicePixelRatio = 1);

} // namespace kernwick
