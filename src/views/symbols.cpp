#include "symbols.h"

#include <QCache>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// The one table from the symbol names the views use to the icons bundled from the open icon set.
const QHash<QString, QString> &symbolTable()
{
    static const QHash<QString, QString> table = {
        {u"a.circle.fill"_s, u"file-earmark-font-fill"_s},
        {u"arrow.clockwise"_s, u"arrow-clockwise"_s},
        {u"arrow.down.circle.fill"_s, u"arrow-down-circle-fill"_s},
        {u"arrow.turn.down.right"_s, u"arrow-return-right"_s},
        {u"c.circle.fill"_s, u"c-circle-fill"_s},
        {u"checkmark"_s, u"check-lg"_s},
        {u"checkmark.circle.fill"_s, u"check-circle-fill"_s},
        {u"chevron.down"_s, u"chevron-down"_s},
        {u"chevron.right"_s, u"chevron-right"_s},
        {u"chevron.up"_s, u"chevron-up"_s},
        {u"chevron.up.chevron.down"_s, u"chevron-expand"_s},
        {u"doc.badge.plus"_s, u"file-earmark-plus"_s},
        {u"doc.fill"_s, u"file-earmark-fill"_s},
        {u"doc.on.clipboard"_s, u"clipboard"_s},
        {u"doc.on.doc"_s, u"files"_s},
        {u"doc.text"_s, u"file-earmark-text"_s},
        {u"doc.text.fill"_s, u"file-earmark-text-fill"_s},
        {u"doc.text.magnifyingglass"_s, u"file-earmark-text"_s},
        {u"exclamationmark.circle.fill"_s, u"exclamation-circle-fill"_s},
        {u"folder"_s, u"folder"_s},
        {u"folder.fill"_s, u"folder-fill"_s},
        {u"lock.fill"_s, u"lock-fill"_s},
        {u"magnifyingglass"_s, u"search"_s},
        {u"minus.circle.fill"_s, u"dash-circle-fill"_s},
        {u"questionmark.circle"_s, u"question-circle"_s},
        {u"shippingbox.fill"_s, u"box-seam-fill"_s},
        {u"textformat"_s, u"fonts"_s},
        {u"xmark.circle.fill"_s, u"x-circle-fill"_s},
    };
    return table;
}

QSvgRenderer *renderer(const QString &resource)
{
    // One parsed drawing per icon for the program's life, on the interface thread.
    static std::map<QString, std::unique_ptr<QSvgRenderer>> renderers;
    std::unique_ptr<QSvgRenderer> &found = renderers[resource];
    if (!found)
        found = std::make_unique<QSvgRenderer>(resource);
    return found.get();
}

QImage tintedImage(const QString &resource, QSize pixels, const QColor &color)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer *svg = renderer(resource);
    if (!svg->isValid())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the glyph's aspect inside the square.
    const QSizeF natural = svg->defaultSize();
    const qreal scale = std::min(pixels.width() / natural.width(), pixels.height() / natural.height());
    const QSizeF drawn = natural * scale;
    svg->render(
        &painter,
        QRectF(QPointF((pixels.width() - drawn.width()) / 2, (pixels.height() - drawn.height()) / 2), drawn));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

} // namespace

QString symbolResource(const QString &symbolName)
{
    const QString file = symbolTable().value(symbolName);
    return file.isEmpty() ? QString() : u":/kernwick/icons/"_s + file + u".svg"_s;
}

namespace {

// Cached as images, which, unlike pixmaps, may outlive the application object.
QImage symbolImage(const QString &symbolName, int size, const QColor &color, qreal devicePixelRatio)
{
    const QString resource = symbolResource(symbolName);
    if (resource.isEmpty() || size <= 0)
        return {};
    static QCache<QString, QImage> cache(400);
    const QString key = resource + u'|' + QString::number(size) + u'|' + color.name(QColor::HexArgb) + u'|' +
                        QString::number(devicePixelRatio);
    if (const QImage *cached = cache.object(key))
        return *cached;
    const int pixels = qRound(size * devicePixelRatio);
    QImage image = tintedImage(resource, QSize(pixels, pixels), color);
    image.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, new QImage(image));
    return image;
}

} // namespace

QPixmap symbolPixmap(const QString &symbolName, int size, const QColor &color, qreal devicePixelRatio)
{
    return QPixmap::fromImage(symbolImage(symbolName, size, color, devicePixelRatio));
}

void paintSymbol(QPainter &painter, const QString &symbolName, const QRectF &rect, const QColor &color)
{
    const int size = qRound(std::min(rect.width(), rect.height()));
    const QImage image = symbolImage(symbolName, size, color, painter.device()->devicePixelRatioF());
    if (image.isNull())
        return;
    painter.drawImage(QPointF(rect.center().x() - size / 2.0, rect.center().y() - size / 2.0), image);
}

QPixmap logoPixmap(int size, qreal devicePixelRatio)
{
    QImage image(QSize(qRound(size * devicePixelRatio), qRound(size * devicePixelRatio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer(u":/kernwick/icons/applogo.svg"_s)->render(&painter, QRectF(image.rect()));
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace kernwick
