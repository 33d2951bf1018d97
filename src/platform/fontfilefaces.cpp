#include "fontfilefaces.h"

#include "fontpattern.h"

#include <QFile>

#include <fontconfig/fontconfig.h>

namespace kernwick {

QList<FontCatalog::Face> readFontFileFaces(const QString &path)
{
    QList<FontCatalog::Face> faces;
    const QByteArray file = QFile::encodeName(path);
    int count = 1;
    // A collection says how many faces it holds when its first face is read; the cap guards against a
    // file that claims thousands.
    for (int index = 0; index < count && index < 256; ++index) {
        FcPattern *pattern =
            FcFreeTypeQuery(reinterpret_cast<const FcChar8 *>(file.constData()), index, nullptr, &count);
        if (!pattern)
            break;
        FontCatalog::Face face = faceFromPattern(pattern);
        face.file = path;
        face.index = index;
        faces.append(std::move(face));
        FcPatternDestroy(pattern);
    }
    return faces;
}

bool refreshFontCaches(const QStringList &folders)
{
    FcConfig *config = FcInitLoadConfig();
    if (!config)
        return false;
    bool refreshed = true;
    for (const QString &folder : folders) {
        const QByteArray path = QFile::encodeName(folder);
        // Forced: the folder is read again and its cache written, whatever the old cache says.
        FcCache *cache = FcDirCacheRead(reinterpret_cast<const FcChar8 *>(path.constData()), FcTrue, config);
        if (cache)
            FcDirCacheUnload(cache);
        else
            refreshed = false;
    }
    FcConfigDestroy(config);
    return refreshed;
}

} // namespace kernwick
