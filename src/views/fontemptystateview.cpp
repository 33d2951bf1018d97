#include "fontemptystateview.h"

#include <model/statuspresentation.h>
#include <views/cardframe.h>
#include <views/fontlegendrow.h>
#include <views/symbolicon.h>
#include <views/textlabel.h>

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

FontEmptyStateView::FontEmptyStateView(Appearance &appearance, Kind kind, const QString &reason,
                                       QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
{
    setObjectName(u"fontEmptyState"_s);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(24);

    auto *message = new QHBoxLayout;
    message->setSpacing(18);
    auto *icon =
        new SymbolIcon(appearance, symbol(kind), 44,
                       (kind == Kind::unreadable ? colors::red : colors::accentText).withOpacity(0.8), this);
    icon->setObjectName(u"emptyStateIcon"_s);
    message->addWidget(icon);
    auto *textBlock = new QWidget(this);
    auto *texts = new QVBoxLayout(textBlock);
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(8);
    texts->addStretch(1);
    auto *titleLabel = new TextLabel(appearance, title(kind), 15, QFont::DemiBold, colors::primary, this);
    titleLabel->setObjectName(u"emptyStateTitle"_s);
    texts->addWidget(titleLabel);
    // The explanation wraps within 380 with 2 of extra space between its lines.
    auto *body = new TextLabel(appearance, {}, 13, QFont::Normal, colors::secondary, this);
    body->setObjectName(u"emptyStateExplanation"_s);
    body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    body->setTextFormat(Qt::RichText);
    body->setText(u"<div style=\"line-height: %1px;\">"_s.arg(body->fontMetrics().lineSpacing() + 2) +
                  explanation(kind, reason).toHtmlEscaped() + u"</div>"_s);
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
    // The statuses in the table's own words and colours.
    for (const FontStatus status : {FontStatus::installed, FontStatus::missing, FontStatus::unresolved,
                                    FontStatus::system, FontStatus::adobe}) {
        const StatusPresentation look = statusPresentation(status);
        column->addWidget(new FontLegendRow(appearance, look.badgeColor, look.badgeText, legend));
    }
    row->addWidget(legend, 0, Qt::AlignVCenter);
}

QString FontEmptyStateView::title(Kind kind)
{
    switch (kind) {
    case Kind::noFile:
        break;
    case Kind::scanning:
        return u"Scanning the presentation"_s;
    case Kind::noFonts:
        return u"No fonts detected"_s;
    case Kind::unreadable:
        return u"This file could not be read"_s;
    }
    return u"No presentation selected yet"_s;
}

QString FontEmptyStateView::explanation(Kind kind, const QString &reason)
{
    switch (kind) {
    case Kind::noFile:
        break;
    case Kind::scanning:
        return u"Kernwick is reading the fonts the deck names and looking for each one on this computer. "
               u"Large decks take a moment."_s;
    case Kind::noFonts:
        return u"Kernwick read this file and found no font names in it. The presentation may use only the "
               u"fonts of its application's theme without naming them."_s;
    case Kind::unreadable:
        return u"Kernwick could not read any fonts from it: "_s +
               (reason.endsWith(u'.') ? reason.chopped(1) : reason) +
               u". Check that it is a Keynote or PowerPoint presentation that opens in its application; save "
               u"a copy without a password, or export a fresh copy, and choose that."_s;
    }
    return u"Once you choose a file, Kernwick will scan the deck and show which fonts are found, "
           u"missing, system, or need review."_s;
}

QString FontEmptyStateView::symbol(Kind kind)
{
    switch (kind) {
    case Kind::noFile:
    case Kind::scanning:
        break;
    case Kind::noFonts:
        return u"questionmark.circle"_s;
    case Kind::unreadable:
        return u"exclamationmark.circle.fill"_s;
    }
    return u"doc.text.magnifyingglass"_s;
}

} // namespace kernwick
