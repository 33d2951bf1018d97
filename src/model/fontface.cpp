#include "fontface.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace kernwick {

QString permissionLabel(EmbeddingPermission permission)
{
    switch (permission) {
    case EmbeddingPermission::installable:
        return u"Installable"_s;
    case EmbeddingPermission::editable:
        return u"Editable"_s;
    case EmbeddingPermission::previewAndPrint:
        return u"Preview & Print"_s;
    case EmbeddingPermission::restricted:
        return u"No Redistribution"_s;
    }
    return {};
}

QString permissionDescription(EmbeddingPermission permission)
{
    switch (permission) {
    case EmbeddingPermission::installable:
        return u"The font's licence lets it be passed on and installed on another computer."_s;
    case EmbeddingPermission::editable:
        return u"The font's licence lets it travel with a document that is shown and edited elsewhere."_s;
    case EmbeddingPermission::previewAndPrint:
        return u"The font's licence lets it travel with a document only to show and print it."_s;
    case EmbeddingPermission::restricted:
        return u"No Redistribution: the font's licence does not allow passing it on without the permission "
               u"of "
               u"its owner. It is left out of the package unless you tick it; the show computer then needs "
               u"its own licensed copy."_s;
    }
    return {};
}

EmbeddingPermission stricterPermission(EmbeddingPermission a, EmbeddingPermission b)
{
    return int(a) >= int(b) ? a : b;
}

QStringList distinctFiles(const QList<FontFace> &faces)
{
    QStringList files;
    QSet<QString> seen;
    for (const FontFace &face : faces) {
        if (!seen.contains(face.file)) {
            seen.insert(face.file);
            files.append(face.file);
        }
    }
    return files;
}

QString faceStylesText(const QStringList &styles)
{
    return styles.join(u", "_s);
}

QString familyWithoutFaceText(const QString &family, const QString &style)
{
    if (family.isEmpty())
        return {};
    return family + u" is installed, but not its "_s + style + u" face"_s;
}

QString metricTwinText(const QStringList &twins)
{
    if (twins.isEmpty())
        return {};
    if (twins.size() == 1)
        return twins.first() + u" is installed and has the same metrics"_s;
    return twins.join(u" and "_s) + u" are installed and have the same metrics"_s;
}

} // namespace kernwick
