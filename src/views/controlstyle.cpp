#include "controlstyle.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace kernwick {

const char *const keyboardFocusProperty = "kernwickKeyboardFocus";

void paintFocusRing(QPainter &painter, const QRectF &rect, qreal radius, const Appearance &appearance)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(appearance.color(colors::focusRing), 2));
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
    return widget.hasFocus() && widget.isEnabled() && widget.property(keyboardFocusProperty).toBool();
}

namespace {

// Marks each widget that takes the focus with whether the keyboard brought it there: a key was the last
// thing the person pressed. (Focus that moves on because its widget went away is no keyboard's doing.)
class FocusTracker final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            m_lastPressWasKey = true;
            break;
        case QEvent::MouseButtonPress:
            m_lastPressWasKey = false;
            break;
        case QEvent::FocusIn:
            if (watched->isWidgetType()) {
                const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
                // Back from a menu or another window, a control shows the ring it had.
                if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
                    break;
                watched->setProperty(keyboardFocusProperty,
                                     m_lastPressWasKey &&
                                         (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                                          reason == Qt::ShortcutFocusReason));
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool m_lastPressWasKey = false;
};

} // namespace

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
        qApp->installEventFilter(new FocusTracker(qApp));
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace kernwick
