#pragma once

#include <views/appearance.h>

#include <QRectF>

class QPainter;
class QWidget;

namespace kernwick {

// The one look of the window's own controls: the keyboard focus ring and the checkbox, shared by the
// widgets and the font table's cells.

// A ring in the accent just outside `rect`, drawn when a control has the keyboard focus.
void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius, const Appearance &appearance);

// A rounded checkbox: the accent with a white tick when checked, an outline that stands out on the cards
// when not.
void paintCheckBox(QPainter &painter, const QRectF &box, bool checked, bool enabled,
                   const Appearance &appearance);

// Whether a control should show its focus ring: it has the focus and the keyboard brought it there (a
// click does not show the ring), as the property below records.
bool showsFocusRing(const QWidget &widget);
extern const char *const keyboardFocusProperty;

// Installs the accessibility of the window's painted parts: a widget with the property
// "accessibleRole" (an int of QAccessible::Role) is announced with that role and its accessible name.
// Also starts recording how each widget got the focus.
void installAccessibility();

} // namespace kernwick
