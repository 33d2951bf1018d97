#include "fontcatalog.h"

#include "fontpattern.h"

#include <QFile>

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

namespace kernwick {

namespace {

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

// The families that the configuration's alias rules bind to `family` with the binding "same", the rules
// Debian's configuration uses for metric-compatible families. Such a rule gives each family it adds the
// binding of the value it matched, so asking once with a strong and once with a weak value tells them
// apart from rules that bind strongly of their own accord.
QStringList sameBoundFamilies(FcConfig *config, const QString &family)
{
    const QByteArray name = family.toUtf8();
    const auto substitute = [&](bool strong) {
        QList<std::pair<QString, FcValueBinding>> values;
        FcPattern *pattern = FcPatternCreate();
        if (!pattern)
            return values;
        FcValue value;
        value.type = FcTypeString;
        value.u.s = reinterpret_cast<const FcChar8 *>(name.constData());
        if (strong)
            FcPatternAdd(pattern, FC_FAMILY, value, FcTrue);
        else
            FcPatternAddWeak(pattern, FC_FAMILY, value, FcTrue);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcValueBinding binding;
        for (int i = 0; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch;
             ++i) {
            if (value.type == FcTypeString)
                values.append({QString::fromUtf8(reinterpret_cast<const char *>(value.u.s)), binding});
        }
        FcPatternDestroy(pattern);
        return values;
    };
    const auto strong = substitute(true);
    const auto weak = substitute(false);
    QStringList families;
    for (qsizetype i = 1; i < strong.size(); ++i) { // the first value is the family itself
        if (strong[i].second != FcValueBindingStrong)
            continue;
        const bool followsTheName = std::any_of(weak.begin(), weak.end(), [&](const auto &entry) {
            return entry.first == strong[i].first && entry.second == FcValueBindingWeak;
        });
        if (followsTheName && !families.contains(strong[i].first))
            families.append(strong[i].first);
    }
    return families;
}

} // namespace

FontCatalog::FontCatalog(QList<Face> faces, MetricAliases metricAliases)
    : m_faces(std::move(faces))
    , m_faceCount(m_faces.size())
    , m_metricAliases(std::move(metricAliases))
{
    // A stable order, whatever order fontconfig's caches hand the faces over in.
    std::sort(m_faces.begin(), m_faces.end(), [](const Face &a, const Face &b) {
        return std::tie(a.file, a.index, a.postScriptName) < std::tie(b.file, b.index, b.postScriptName);
    });
    for (qsizetype i = 0; i < m_faces.size(); ++i) {
        for (const QString &family : m_faces[i].families) {
            QList<qsizetype> &members = m_facesByFoldedFamily[family.toCaseFolded()];
            if (members.isEmpty() || members.last() != i)
                members.append(i);
        }
    }
}

QList<const FontCatalog::Face *> FontCatalog::facesOfFamily(const QString &family) const
{
    QList<const Face *> members;
    for (const qsizetype i : m_facesByFoldedFamily.value(family.toCaseFolded()))
        members.append(&m_faces[i]);
    return members;
}

QStringList FontCatalog::metricTwins(const QString &family) const
{
    if (!m_metricAliases)
        return {};
    {
        const QMutexLocker locker(&m_fileFacesLock);
        const auto known = m_metricTwins.constFind(family);
        if (known != m_metricTwins.cend())
            return *known;
    }
    QStringList twins;
    const QString folded = family.toCaseFolded();
    for (const QString &alias : m_metricAliases(family)) {
        const QString aliasFolded = alias.toCaseFolded();
        if (aliasFolded != folded && m_facesByFoldedFamily.contains(aliasFolded) && !twins.contains(alias))
            twins.append(alias);
    }
    const QMutexLocker locker(&m_fileFacesLock);
    m_metricTwins.insert(family, twins);
    return twins;
}

FontFileFace FontCatalog::fileFace(const Face &face) const
{
    const qsizetype at = &face - m_faces.constData();
    if (at < 0 || at >= m_faces.size())
        return readFontFileFace(face.file, face.index);
    {
        const QMutexLocker locker(&m_fileFacesLock);
        const auto found = m_fileFaces.constFind(at);
        if (found != m_fileFaces.cend())
            return *found;
    }
    FontFileFace read = readFontFileFace(face.file, face.index);
    const QMutexLocker locker(&m_fileFacesLock);
    m_fileFaces.insert(at, read);
    return read;
}

FontconfigFontSource::FontconfigFontSource()
{
    reload();
}

FontconfigFontSource::~FontconfigFontSource() = default;

std::shared_ptr<const FontCatalog> FontconfigFontSource::snapshot()
{
    if (!m_config || fontFolderState(m_config.get()) != m_folderState)
        reload();
    return m_catalog;
}

void FontconfigFontSource::reload()
{
    // The configuration lives as long as the last catalog that asks its alias rules.
    m_config.reset(FcInitLoadConfigAndFonts(), [](FcConfig *config) {
        if (config)
            FcConfigDestroy(config);
    });
    QList<FontCatalog::Face> faces;
    FontCatalog::MetricAliases metricAliases;
    if (m_config) {
        m_folderState = fontFolderState(m_config.get());
        metricAliases = [config = m_config](const QString &family) {
            return sameBoundFamilies(config.get(), family);
        };
        if (FcFontSet *set = FcConfigGetFonts(m_config.get(), FcSetSystem)) {
            faces.reserve(set->nfont);
            for (int i = 0; i < set->nfont; ++i) {
                FcPattern *pattern = set->fonts[i];
                FontCatalog::Face face = faceFromPattern(pattern);
                if (face.file.isEmpty())
                    continue;
                faces.append(std::move(face));
            }
        }
    }
    m_catalog = std::make_shared<const FontCatalog>(std::move(faces), std::move(metricAliases));
}

} // namespace kernwick
