#include "statcard.h"

#include <views/textlabel.h>

#include <QAccessible>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

StatCard::StatCard(Appearance &appearance, qint64 value, const QString &label, const QString &sublabel,
                   ColorSpec color, QWidget *parent)
    : CardFrame(appearance, CardStyle::innerCard({10, 12, 10, 12}), parent)
    , m_color(color)
{
    setProperty("accessibleRole", int(QAccessible::StaticText));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    m_value = new TextLabel(appearance, {}, 22, QFont::DemiBold, color, this);
    m_label = new TextLabel(appearance, label, 13, QFont::Medium, color, this);
    m_sublabel = new TextLabel(appearance, sublabel, 12, QFont::Normal, colors::secondary, this);
    // In a narrow window the labels are drawn smaller rather than cut.
    for (TextLabel *text : {m_value, m_label, m_sublabel}) {
        text->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        column->addWidget(text);
    }
    m_label->setShrinkToFit(11);
    m_sublabel->setShrinkToFit(10);
    // At least 90 wide inside the padding.
    column->addStrut(90);
    setValue(value);
}

void StatCard::setCompact(bool compact)
{
    CardStyle style = cardStyle();
    style.padding = compact ? QMargins(4, 12, 4, 12) : QMargins(10, 12, 10, 12);
    setCardStyle(style);
}

void StatCard::setValue(qint64 value)
{
    // A plain decimal integer: no grouping separators, whatever the locale.
    m_value->setText(QString::number(value));
    setAccessibleName(QString::number(value) + u' ' + m_label->text() + u", "_s + m_sublabel->text());
}

QString StatCard::valueText() const
{
    return m_value->text();
}

QString StatCard::label() const
{
    return m_label->text();
}

QString StatCard::sublabel() const
{
    return m_sublabel->text();
}

} // namespace kernwick
