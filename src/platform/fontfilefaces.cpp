#include "fontfilefaces.h"

#include <QFile>

#include <fontconfig/fontconfig.h>

namespace kernwick {

namespace {

QStringList strings(FcPattern *pattern, const char *object)
{
    QStringList values;
    FcChar8 *value = nullptr;
    for (int n = 0; FcPatternGetString(pattern, object, n, &value) == FcResultMatch && value; ++n)
        values.append(QString::fromUtf8(reinterpret_cast<const char *>(value)));
    return values;
}

} // namespace

QList<FontFileNames> readFontFileFaces(const QString &path)
{
    QList<FontFileNames> faces;
    const QByteArray file = QFile::encodeName(path);
    int count = 1;
    // A collection says how many faces it holds when its first face is read; the cap guards against a
    // file that claims thousands.
    for (int index = 0; index < count && index < 256; ++index) {
        FcPattern *pattern =
            FcFreeTypeQuery(reinterpret_cast<const FcChar8 *>(file.constData()), index, nullptr, &count);
        if (!pattern)
            break;
        const QStringList fullNames = strings(pattern, FC_FULLNAME);
        const QStringList postScriptNames = strings(pattern, FC_POSTSCRIPT_NAME);
        faces.append({fullNames.value(0), postScriptNames.value(0), strings(pattern, FC_FAMILY)});
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
