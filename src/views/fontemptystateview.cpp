#include "fontemptystateview.h"

#include <views/cardframe.h>
#include <views/fontlegendrow.h>
#include <views/symbolicon.h>
#include <views/textlabel.h>

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

FontEmptyStateView::FontEmptyStateView(Appearance &appearance, bool fileSelected, QWidget *parent)
    : QWidget(parent)
    , m_fileSelected(fileSelected)
{
    setObjectName(u"fontEmptyState"_s);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(24);

    auto *message = new QHBoxLayout;
    message->setSpacing(18);
    auto *icon =
        new SymbolIcon(appearance, symbol(fileSelected), 44, colors::accentText.withOpacity(0.8), this);
    icon->setObjectName(u"emptyStateIcon"_s);
    message->addWidget(icon);
    auto *textBlock = new QWidget(this);
    auto *texts = new QVBoxLayout(textBlock);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(8);
    texts->addStretch(1);
    auto *titleLabel =
        new TextLabel(appearance, title(fileSelected), 15, QFont::DemiBold, colors::primary, this);
    titleLabel->setObjectName(u"emptyStateTitle"_s);
    texts->addWidget(titleLabel);
    // The explanation wraps within 380 with 2 of extra space between its lines.
    auto *body = new TextLabel(appearance, {}, 13, QFont::Normal, colors::secondary, this);
    body->setTextFormat(Qt::RichText);
    body->setText(u"<div style=\"line-height: %1px;\">"_s.arg(body->fontMetrics().lineSpacing() + 2) +
                  explanation(fileSelected).toHtmlEscaped() + u"</div>"_s);
    body->setWordWrap(true);
    body->setMaximumWidth(380);
    body->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    texts->addWidget(body);
    texts->addStretch(1);
    message->addWidget(textBlock, 1);
    row->addLayout(message, 1);
    row->addStretch(0);

    auto *legend = new CardFrame(appearance, CardStyle::innerCard({14, 14, 14, 14}), this);
    legend->setObjectName(u"legend"_s);
    auto *column = new QVBoxLayout(legend);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto *heading =
        new TextLabel(appearance, u"What we'll show you"_s, 13, QFont::DemiBold, colors::primary, legend);
    column->addWidget(heading);
    column->addSpacing(2);
    const std::pair<ColorSpec, QString> entries[] = {
        {colors::green, u"Installed fonts"_s},          {colors::red, u"Missing fonts"_s},
        {colors::accentBlue, u"Found fonts"_s},         {colors::secondary, u"System fonts"_s},
        {restrictedPurple, u"Restricted (licensed)"_s},
    };
    for (const auto &[color, label] : entries)
        column->addWidget(new FontLegendRow(appearance, color, label, legend));
    row->addWidget(legend, 0, Qt::AlignVCenter);
}

QString FontEmptyStateView::title(bool fileSelected)
{
    return fileSelected ? u"No fonts detected"_s : u"No presentation selected yet"_s;
}

QString FontEmptyStateView::explanation(bool fileSelected)
{
    return fileSelected
               ? u"Kernwick couldn't detect any fonts in this file. The presentation may use only system "
                 u"fonts, or the file format may not be fully supported."_s
               : u"Once you choose a file, Kernwick will scan the deck and show which fonts are found, "
                 u"missing, system, or need review."_s;
}

QString FontEmptyStateView::symbol(bool fileSelected)
{
    return fileSelected ? u"questionmark.circle"_s : u"doc.text.magnifyingglass"_s;
}

} // namespace kernwick
