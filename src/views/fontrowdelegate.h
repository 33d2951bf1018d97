#pragma once

#include <views/appearance.h>

#include <QHash>
#include <QRawFont>
#include <QStyledItemDelegate>

namespace kernwick {

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
};

} // namespace kernwick
