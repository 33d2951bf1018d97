#include "fontcatalog.h"

#include <QFile>

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

namespace kernwick {

namespace {

QString patternString(FcPattern *pattern, const char *object, int n = 0)
{
    FcChar8 *value = nullptr;
    if (FcPatternGetString(pattern, object, n, &value) != FcResultMatch || !value)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(value));
}

QStringList patternStrings(FcPattern *pattern, const char *object)
{
    QStringList values;
    for (int n = 0;; ++n) {
        FcChar8 *value = nullptr;
        if (FcPatternGetString(pattern, object, n, &value) != FcResultMatch || !value)
            return values;
        values.append(QString::fromUtf8(reinterpret_cast<const char *>(value)));
    }
}

int patternInteger(FcPattern *pattern, const char *object, int fallback)
{
    int value = fallback;
    FcPatternGetInteger(pattern, object, 0, &value);
    return value;
}

// How far a face is from the regular one of its family: upright first, then weight, then width.
auto regularity(const FontCatalog::Face &face)
{
    return std::make_tuple(face.slant != FC_SLANT_ROMAN, std::abs(face.weight - FC_WEIGHT_REGULAR),
                           std::abs(face.width - FC_WIDTH_NORMAL));
}

// Modification times of every folder fontconfig reads fonts from, and of those configured folders that
// do not exist yet: adding or removing a font changes its folder's time.
QByteArray fontFolderState(FcConfig *config)
{
    QByteArray state;
    const auto add = [&state](FcStrList *list) {
        while (FcChar8 *folder = FcStrListNext(list)) {
            struct stat info = {};
            state += reinterpret_cast<const char *>(folder);
            if (::stat(reinterpret_cast<const char *>(folder), &info) == 0) {
                state += ':' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
                         QByteArray::number(qint64(info.st_mtim.tv_nsec)) + ':' +
                         QByteArray::number(quint64(info.st_ino));
            }
            state += '\n';
        }
        FcStrListDone(list);
    };
    add(FcConfigGetConfigDirs(config));
    add(FcConfigGetFontDirs(config));
    return state;
}

} // namespace

FontCatalog::FontCatalog(QList<Face> faces)
    : m_faceCount(faces.size())
{
    // A stable order, whatever order fontconfig's caches hand the faces over in.
    std::sort(faces.begin(), faces.end(), [](const Face &a, const Face &b) {
        return std::tie(a.file, a.index, a.postScriptName) < std::tie(b.file, b.index, b.postScriptName);
    });
    QHash<QString, const Face *> regularByFamily;
    for (const Face &face : faces) {
        if (!face.postScriptName.isEmpty()) {
            if (!m_fileByPostScriptName.contains(face.postScriptName))
                m_fileByPostScriptName.insert(face.postScriptName, face.file);
            m_postScriptNames.append(face.postScriptName);
        }
        for (const QString &fullName : face.fullNames) {
            if (!m_fileByFullName.contains(fullName))
                m_fileByFullName.insert(fullName, face.file);
        }
        for (const QString &family : face.families) {
            const Face *&best = regularByFamily[family];
            if (!best || regularity(face) < regularity(*best))
                best = &face;
        }
    }
    for (auto it = regularByFamily.cbegin(); it != regularByFamily.cend(); ++it)
        m_fileByFamily.insert(it.key(), it.value()->file);

    std::sort(m_postScriptNames.begin(), m_postScriptNames.end());
    m_postScriptNames.erase(std::unique(m_postScriptNames.begin(), m_postScriptNames.end()),
                            m_postScriptNames.end());
}

std::optional<QString> FontCatalog::fileForName(const QString &name) const
{
    for (const auto *index : {&m_fileByPostScriptName, &m_fileByFullName, &m_fileByFamily}) {
        const auto found = index->constFind(name);
        if (found != index->cend())
            return *found;
    }
    return std::nullopt;
}

FontconfigFontSource::FontconfigFontSource()
{
    reload();
}

FontconfigFontSource::~FontconfigFontSource()
{
    if (m_config)
        FcConfigDestroy(m_config);
}

std::shared_ptr<const FontCatalog> FontconfigFontSource::snapshot()
{
    if (!m_config || fontFolderState(m_config) != m_folderState)
        reload();
    return m_catalog;
}

void FontconfigFontSource::reload()
{
    if (m_config)
        FcConfigDestroy(m_config);
    m_config = FcInitLoadConfigAndFonts();
    QList<FontCatalog::Face> faces;
    if (m_config) {
        m_folderState = fontFolderState(m_config);
        if (FcFontSet *set = FcConfigGetFonts(m_config, FcSetSystem)) {
            faces.reserve(set->nfont);
            for (int i = 0; i < set->nfont; ++i) {
                FcPattern *pattern = set->fonts[i];
                FontCatalog::Face face;
                face.file = patternString(pattern, FC_FILE);
                if (face.file.isEmpty())
                    continue;
                face.postScriptName = patternString(pattern, FC_POSTSCRIPT_NAME);
                face.fullNames = patternStrings(pattern, FC_FULLNAME);
                face.families = patternStrings(pattern, FC_FAMILY);
                face.weight = patternInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
                face.slant = patternInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
                face.width = patternInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
                face.index = patternInteger(pattern, FC_INDEX, 0);
                faces.append(std::move(face));
            }
        }
    }
    m_catalog = std::make_shared<const FontCatalog>(std::move(faces));
}

} // namespace kernwick
