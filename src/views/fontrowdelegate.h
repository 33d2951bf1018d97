#pragma once

#include <views/appearance.h>

#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QStyledItemDelegate>

namespace kernwick {

// Text cut to a width, each text, font, width and mode laid out once: laying out a name in a script that
// no installed font covers searches every fallback font, far too slow to do on every paint.
class ElidedTextCache final
{
public:
    struct Elided
    {
        QString shown;
        int advance = 0;
    };
    Elided elided(const QString &text, const QFont &font, int width, Qt::TextElideMode mode = Qt::ElideRight);

private:
    static constexpr qsizetype maxEntries = 20000; // a few pages of rows at a few widths
    QHash<QString, Elided> m_entries;
};

// Draws the cells of the font table: the include mark, the name (a search link for missing fonts), the
// status in its colour, type, location, the in-package mark and the preview set in the font itself.
class FontRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    FontRowDelegate(Appearance &appearance, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The checkbox of an include cell, for hit tests.
    static QRect checkBoxRect(const QRect &cell);
    // The face stored in a font file at the preview's size; invalid when it cannot be read.
    QRawFont previewFont(const QString &file) const;

private:
    void paintPreview(QPainter *painter, const QRect &cell, const QString &file, const QString &text,
                      const QColor &color) const;

    Appearance &m_appearance;
    mutable QHash<QString, QRawFont> m_previewFonts;
    mutable ElidedTextCache m_elided;
};

} // namespace kernwick
