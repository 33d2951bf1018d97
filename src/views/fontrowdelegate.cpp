#include "fontrowdelegate.h"

#include <model/statuspresentation.h>
#include <views/controlstyle.h>
#include <views/fonttablemodel.h>
#include <views/symbols.h>
#include <views/textlabel.h>

#include <QAbstractItemView>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

constexpr int leadingPadding = 12;
constexpr int includeWidth = 28;
constexpr int previewSize = 14;
const QString emDash = u"—"_s;

void drawText(ElidedTextCache &cache, QPainter *painter, const QRect &cell, const QString &text,
              const QFont &font, const QColor &color, Qt::TextElideMode elide = Qt::ElideRight)
{
    painter->setFont(font);
    painter->setPen(color);
    painter->drawText(cell, Qt::AlignVCenter | Qt::AlignLeft,
                      cache.elided(text, font, cell.width(), elide).shown);
}

} // namespace

ElidedTextCache::Elided ElidedTextCache::elided(const QString &text, const QFont &font, int width,
                                                Qt::TextElideMode mode)
{
    const QString key =
        font.key() + u'\x1f' + QString::number(width) + u'\x1f' + QString::number(int(mode)) + u'\x1f' + text;
    if (const auto found = m_entries.constFind(key); found != m_entries.cend())
        return *found;
    if (m_entries.size() >= maxEntries)
        m_entries.clear();
    const QFontMetrics metrics(font);
    const QString shown = metrics.elidedText(text, mode, width);
    return *m_entries.insert(key, {shown, metrics.horizontalAdvance(shown)});
}

FontRowDelegate::FontRowDelegate(Appearance &appearance, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_appearance(appearance)
{}

QSize FontRowDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return {80, 36};
}

QRect FontRowDelegate::checkBoxRect(const QRect &cell)
{
    const int side = 16;
    return {cell.left() + leadingPadding + (includeWidth - side) / 2, cell.center().y() - side / 2 + 1, side,
            side};
}

QRawFont FontRowDelegate::previewFont(const QString &file) const
{
    auto found = m_previewFonts.find(file);
    if (found == m_previewFonts.end())
        found = m_previewFonts.insert(file, QRawFont(file, previewSize));
    return *found;
}

void FontRowDelegate::paintPreview(QPainter *painter, const QRect &cell, const QString &file,
                                   const QString &text, const QColor &color) const
{
    const QRawFont face = previewFont(file);
    if (!face.isValid()) {
        // A file this machine cannot read as a font: the default face stands in.
        drawText(m_elided, painter, cell, text, systemFont(previewSize), color);
        return;
    }
    QList<quint32> glyphs = face.glyphIndexesForString(text);
    QList<QPointF> advances = face.advancesForGlyphIndexes(glyphs);
    const QList<quint32> ellipsis = face.glyphIndexesForString(u"…"_s);
    const qreal ellipsisWidth = ellipsis.isEmpty() ? 0 : face.advancesForGlyphIndexes(ellipsis).value(0).x();
    qreal total = 0;
    for (const QPointF &advance : advances)
        total += advance.x();
    if (total > cell.width()) {
        // Cut at the tail, leaving room for the ellipsis.
        qreal width = 0;
        qsizetype kept = 0;
        while (kept < advances.size() && width + advances[kept].x() + ellipsisWidth <= cell.width())
            width += advances[kept++].x();
        glyphs.resize(kept);
        advances.resize(kept);
        glyphs += ellipsis;
        advances += face.advancesForGlyphIndexes(ellipsis);
    }
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    const qreal baseline = cell.top() + (cell.height() + face.ascent() - face.descent()) / 2.0;
    qreal x = cell.left();
    for (const QPointF &advance : advances) {
        positions.append(QPointF(x, baseline));
        x += advance.x();
    }
    QGlyphRun run;
    run.setRawFont(face);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter->setPen(color);
    painter->drawGlyphRun(QPointF(0, 0), run);
}

void FontRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    const auto *model = qobject_cast<const FontTableModel *>(index.model());
    if (!model)
        return;
    const FontStatusItem &item = model->item(index.row());
    const bool installed = item.status == FontStatus::installed;
    const QRect cell = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
    if (view) {
        // The rows end where the table's rounded outline does: only a cell in one of its lower corners is
        // clipped (a path clip is costly, and every other cell lies wholly inside the outline).
        constexpr int radius = 9;
        const QRect rows = view->viewport()->rect();
        const QRect lowerLeft(rows.left(), rows.bottom() - radius, radius + 1, radius + 1);
        const QRect lowerRight(rows.right() - radius, rows.bottom() - radius, radius + 1, radius + 1);
        if (cell.intersects(lowerLeft) || cell.intersects(lowerRight)) {
            QPainterPath rounded;
            rounded.addRoundedRect(QRectF(rows).adjusted(0, -20, 0, 0), radius, radius);
            painter->setClipPath(rounded, Qt::IntersectClip);
        }
    }
    if (installed && item.isSelected)
        painter->fillRect(cell, m_appearance.color(colors::green.withOpacity(0.08)));
    if (index.column() != FontTableModel::includeColumn) {
        // The row divider starts 40 in, where the name column begins.
        painter->fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1),
                          m_appearance.color(colors::primary.withOpacity(0.08)));
    }

    const QString text = index.data().toString();
    const QColor secondary = m_appearance.color(colors::secondary);
    // A font that no text uses is shown dimmed, its name marked as such: its name and preview in the
    // secondary colour, which still reads well, rather than faded.
    const bool declaredOnly = index.data(FontTableModel::declaredOnlyRole).toBool();
    const QColor primary = m_appearance.color(declaredOnly ? colors::secondary : colors::primary);
    switch (index.column()) {
    case FontTableModel::includeColumn: {
        const QRect box = checkBoxRect(cell);
        if (installed) {
            paintCheckBox(*painter, box, item.isSelected, true, m_appearance);
        } else if (item.status == FontStatus::adobe) {
            paintSymbol(*painter, u"lock.fill"_s, QRectF(box.center().x() - 6, box.center().y() - 6, 12, 12),
                        m_appearance.color(restrictedPurple));
        } else {
            paintSymbol(*painter, u"minus.circle.fill"_s,
                        QRectF(box.center().x() - 6.5, box.center().y() - 6.5, 13, 13),
                        m_appearance.color(colors::secondary));
        }
        break;
    }
    case FontTableModel::nameColumn: {
        // The name, with the search glass of a missing font or the mark of a license that keeps the font
        // home after it, and below it the row's notes.
        const QString note = index.data(FontTableModel::noteRole).toString();
        const bool missing = item.status == FontStatus::missing;
        const bool licenseMark = index.data(FontTableModel::licenseMarkRole).toBool();
        // Red with the search glass, not underlined: a line would read as a spelling mark and cut through
        // the dots below some scripts' letters.
        const QFont font = systemFont(14);
        const QColor color = missing ? m_appearance.color(colors::red) : primary;
        const QRect nameLine = note.isEmpty() ? cell : QRect(cell.left(), cell.top() + 3, cell.width(), 18);
        const int markSpace = missing || licenseMark ? 4 + 12 : 0;
        const ElidedTextCache::Elided name = m_elided.elided(text, font, nameLine.width() - markSpace);
        const qreal markLeft = nameLine.left() + name.advance + 4;
        drawText(m_elided, painter, nameLine.adjusted(0, 0, -markSpace, 0), name.shown, font, color);
        if (missing)
            paintSymbol(*painter, u"magnifyingglass"_s, QRectF(markLeft, nameLine.center().y() - 4.5, 10, 10),
                        m_appearance.color(colors::red));
        else if (licenseMark)
            paintSymbol(*painter, u"c.circle.fill"_s, QRectF(markLeft, nameLine.center().y() - 5.5, 12, 12),
                        m_appearance.color(restrictedPurple));
        if (!note.isEmpty())
            drawText(m_elided, painter, QRect(cell.left(), cell.top() + 20, cell.width(), 13), note,
                     systemFont(11), secondary);
        break;
    }
    case FontTableModel::statusColumn:
        drawText(m_elided, painter, cell, text, systemFont(13, QFont::Medium),
                 m_appearance.color(statusPresentation(item.status).badgeColor));
        break;
    case FontTableModel::typeColumn:
        drawText(m_elided, painter, cell, text, systemFont(13), secondary);
        break;
    case FontTableModel::locationColumn:
        drawText(m_elided, painter, cell.adjusted(0, 0, -6, 0), text, systemFont(12), secondary,
                 Qt::ElideMiddle);
        break;
    case FontTableModel::inPackageColumn:
        if (index.data(FontTableModel::travelRole) == QVariant(int(Travel::inPackage))) {
            paintSymbol(*painter, u"checkmark.circle.fill"_s,
                        QRectF(cell.left(), cell.center().y() - 6.5, 13, 13),
                        m_appearance.color(colors::green));
            drawText(m_elided, painter, cell.adjusted(13 + 4, 0, 0, 0), text, systemFont(13), primary);
        } else if (const qsizetype colon = text.indexOf(u": "_s);
                   colon > 0 && QFontMetrics(systemFont(13)).horizontalAdvance(text) > cell.width()) {
            // "Left out: licence" where it does not fit: the reason under the words, as the name's notes.
            drawText(m_elided, painter, QRect(cell.left(), cell.top() + 3, cell.width(), 18),
                     text.first(colon + 1), systemFont(13), secondary);
            drawText(m_elided, painter, QRect(cell.left(), cell.top() + 20, cell.width(), 13),
                     text.mid(colon + 2), systemFont(11), secondary);
        } else {
            drawText(m_elided, painter, cell, text, systemFont(13), secondary);
        }
        break;
    case FontTableModel::previewColumn:
        if (installed && item.hasFile())
            paintPreview(painter, QRect(cell.left(), cell.top(), std::min(cell.width(), 180), cell.height()),
                         item.filePath(), text, primary);
        else
            drawText(m_elided, painter, cell, text, systemFont(13), secondary);
        break;
    default:
        break;
    }
    if (view && showsFocusRing(*view) && view->currentIndex().row() == index.row()) {
        // The current row's ring, drawn a piece per cell: ends on the first and last cells.
        const bool first = index.column() == 0;
        const bool last = index.column() == FontTableModel::columnCount_ - 1;
        painter->setClipRect(cell);
        paintFocusRing(*painter, QRectF(cell).adjusted(first ? 1 : -12, 1, last ? -1 : 12, -1), 6,
                       m_appearance);
    }
    painter->restore();
}

} // namespace kernwick
