#include "packagerow.h"

#include <views/checkbox.h>
#include <views/symbolicon.h>
#include <views/textlabel.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

PackageRow::PackageRow(Appearance &appearance, const QString &icon, const QString &title,
                       const QString &subtitle, bool isToggle, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    auto *symbol = new SymbolIcon(appearance, icon, 16, colors::secondary, this);
    symbol->setBoxSize({22, 16});
    row->addWidget(symbol);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_title = new TextLabel(appearance, title, 14, QFont::Medium, colors::primary, this);
    m_subtitle = new TextLabel(appearance, subtitle, 12, QFont::Normal, colors::secondary, this);
    m_subtitle->setElideMode(Qt::ElideMiddle);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    row->addLayout(texts, 1);
    if (isToggle) {
        m_checkBox = new CheckBox(appearance, {}, 13, colors::secondary, this);
        m_checkBox->setAccessibleName(title);
        row->addWidget(m_checkBox);
    } else {
        m_tick = new SymbolIcon(appearance, u"checkmark.circle.fill"_s, 13, colors::green, this);
        m_tick->setObjectName(u"tick"_s);
        row->addWidget(m_tick);
    }
}

void PackageRow::setSubtitle(const QString &subtitle)
{
    m_subtitle->setText(subtitle);
}

void PackageRow::setTicked(bool ticked)
{
    if (!m_tick)
        return;
    // Nothing to take along: a plain dash rather than a tick.
    m_tick->setSymbol(ticked ? u"checkmark.circle.fill"_s : u"minus.circle.fill"_s,
                      ticked ? colors::green : colors::secondary);
    m_tick->setAccessibleName(ticked ? u"Included"_s : u"Nothing to include"_s);
}

bool PackageRow::isTicked() const
{
    return m_tick && m_tick->symbolName() == u"checkmark.circle.fill"_s;
}

QString PackageRow::title() const
{
    return m_title->text();
}

QString PackageRow::subtitle() const
{
    return m_subtitle->text();
}

} // namespace kernwick
