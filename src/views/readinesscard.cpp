#include "readinesscard.h"

#include <views/symbolicon.h>
#include <views/textlabel.h>

#include <QAccessible>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

ReadinessCard::ReadinessCard(Appearance &appearance, QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
{
    setObjectName(u"readinessCard"_s);
    setProperty("accessibleRole", int(QAccessible::StaticText));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    m_icon = new SymbolIcon(appearance, {}, 28, colors::orange, this);
    row->addWidget(m_icon);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    m_title = new TextLabel(appearance, {}, 15, QFont::DemiBold, colors::orange, this);
    m_message = new TextLabel(appearance, {}, 13, QFont::Normal, colors::secondary, this);
    // The title stays whole; the message wraps between words.
    m_message->setWordWrap(true);
    m_message->setMinimumWidth(m_title->fontMetrics().horizontalAdvance(u"Ready for Handoff"_s));
    texts->addWidget(m_title);
    texts->addWidget(m_message);
    row->addLayout(texts, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setState(false, {});
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

void ReadinessCard::setState(bool isReady, const QString &statusMessage)
{
    m_isReady = isReady;
    const ReadinessPresentation look = readinessPresentation(isReady);
    m_icon->setSymbol(look.iconName, look.iconColor);
    m_title->setText(look.title);
    m_title->setColor(look.titleColor);
    m_message->setText(statusMessage);
    m_message->setToolTip(statusMessage);
    m_message->setColor(look.messageColor);
    setAccessibleName(look.title + u". "_s + statusMessage);
    update();
}

QString ReadinessCard::title() const
{
    return m_title->text();
}

QString ReadinessCard::message() const
{
    return m_message->text();
}

QString ReadinessCard::symbolName() const
{
    return m_icon->symbolName();
}

void ReadinessCard::paintEvent(QPaintEvent *)
{
    const ReadinessPresentation look = readinessPresentation(m_isReady);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_appearance.color(look.cardBorder), 1));
    painter.setBrush(m_appearance.color(look.cardTint));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

} // namespace kernwick
