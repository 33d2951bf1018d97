#include "controlstyle.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace kernwick {

void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius, const Appearance &appearance)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(appearance.color(colors::accentBlue.withOpacity(0.75)), 2));
    painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

void paintCheckBox(QPainter &painter, const QRectF &box, bool checked, bool enabled,
                   const Appearance &appearance)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!enabled)
        painter.setOpacity(0.45);
    const QRectF square = box.adjusted(0.5, 0.5, -0.5, -0.5);
    if (checked) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(appearance.color(colors::accentBlue));
        painter.drawRoundedRect(square, 4, 4);
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.26, box.top() + box.height() * 0.52);
        tick.lineTo(box.left() + box.width() * 0.43, box.top() + box.height() * 0.69);
        tick.lineTo(box.left() + box.width() * 0.75, box.top() + box.height() * 0.33);
        painter.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    } else {
        // Strong enough to see on the cards of either appearance.
        painter.setBrush(appearance.isDark() ? QColor(255, 255, 255, 18) : QColor(255, 255, 255, 200));
        painter.setPen(QPen(appearance.isDark() ? QColor(255, 255, 255, 140) : QColor(0, 0, 0, 110), 1));
        painter.drawRoundedRect(square, 4, 4);
    }
    painter.restore();
}

bool showsFocusRing(const QWidget &widget)
{
    return widget.hasFocus() && widget.isEnabled();
}

namespace {

QAccessibleInterface *accessibleWithRole(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property("accessibleRole");
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Role(role.toInt()));
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleWithRole);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace kernwick
