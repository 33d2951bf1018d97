#include "fontcatalog.h"

#include "fontpattern.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <tuple>

namespace kernwick {

namespace {

// Modification times of every folder fontconfig reads fonts from, and of those configured folders that
// do not exist yet: adding or removing a font changes its folder's time. With `loadStarted` (the file
// system's clock when the configuration began to load), a folder changed since then marks the state as
// one that no later look matches: the configuration may have read the folder before that change.
QByteArray fontFolderState(FcConfig *config, const timespec *loadStarted = nullptr)
{
    QByteArray state;
    bool changedWhileLoading = false;
    const auto add = [&](FcStrList *list) {
        while (FcChar8 *folder = FcStrListNext(list)) {
            struct stat info = {};
            state += reinterpret_cast<const char *>(folder);
            if (::stat(reinterpret_cast<const char *>(folder), &info) == 0) {
                state += ':' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
                         QByteArray::number(qint64(info.st_mtim.tv_nsec)) + ':' +
                         QByteArray::number(quint64(info.st_ino));
                changedWhileLoading =
                    changedWhileLoading ||
                    (loadStarted && std::tie(info.st_mtim.tv_sec, info.st_mtim.tv_nsec) >=
                                        std::tie(loadStarted->tv_sec, loadStarted->tv_nsec));
            }
            state += '\n';
        }
        FcStrListDone(list);
    };
    add(FcConfigGetConfigDirs(config));
    add(FcConfigGetFontDirs(config));
    if (changedWhileLoading)
        state += "changed while loading\n";
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
    // Most names meet no rule that binds strongly: then there is nothing to tell apart.
    if (std::none_of(strong.begin() + std::min<qsizetype>(1, strong.size()), strong.end(),
                     [](const auto &entry) { return entry.second == FcValueBindingStrong; }))
        return {};
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

using SharedConfig = std::shared_ptr<FcConfig>;

SharedConfig sharedConfig(FcConfig *config)
{
    return SharedConfig(config, [](FcConfig *loaded) {
        if (loaded)
            FcConfigDestroy(loaded);
    });
}

// A family as fontconfig compares them in its rules, or coarser: blanks and case aside.
QString ruleKey(const QString &family)
{
    return QString(family).remove(u' ').toCaseFolded();
}

// The families that the configuration's rules bind others to with the same metrics, as rule keys: asking
// fontconfig's rules costs far more than the rest of resolving a name, and most names meet no such rule.
// Nothing when a file binds that way in a form other than an alias, so that every family is asked.
std::optional<QSet<QString>> sameBoundAliasFamilies(FcConfig *config)
{
    QSet<QString> families;
    bool complete = true;
    FcStrList *files = FcConfigGetConfigFiles(config);
    while (FcChar8 *file = FcStrListNext(files)) {
        QFile text(QFile::decodeName(reinterpret_cast<const char *>(file)));
        if (QFileInfo(text).isDir()) // the folders whose files are read, listed with them
            continue;
        if (!text.open(QIODevice::ReadOnly) || text.size() > (16 << 20)) {
            complete = false;
            continue;
        }
        const QByteArray bytes = text.readAll();
        if (!bytes.contains("same"))
            continue;
        QXmlStreamReader xml(bytes);
        bool expectFamily = false; // the first family of an alias is the one its rule reacts to
        bool inFamilyTest = false;
        bool matchBindsSame = false;
        QStringList matchFamilies; // the families a match rule tests for
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                const bool same = xml.attributes().value(QLatin1StringView("binding")) == u"same";
                if (xml.name() == u"alias") {
                    expectFamily = same;
                } else if (xml.name() == u"family" && expectFamily) {
                    families.insert(ruleKey(xml.readElementText()));
                    expectFamily = false;
                } else if (xml.name() == u"match") {
                    matchBindsSame = false;
                    matchFamilies.clear();
                } else if (xml.name() == u"test") {
                    inFamilyTest = xml.attributes().value(QLatin1StringView("name")) == u"family";
                } else if (xml.name() == u"string" && inFamilyTest) {
                    matchFamilies.append(xml.readElementText());
                } else if (xml.name() == u"edit") {
                    matchBindsSame = matchBindsSame || same;
                }
            } else if (xml.isEndElement()) {
                if (xml.name() == u"alias") {
                    expectFamily = false;
                } else if (xml.name() == u"test") {
                    inFamilyTest = false;
                } else if (xml.name() == u"match" && matchBindsSame) {
                    // A rule that binds that way whatever the family is makes every family worth asking.
                    complete = complete && !matchFamilies.isEmpty();
                    for (const QString &family : std::as_const(matchFamilies))
                        families.insert(ruleKey(family));
                }
            }
        }
        if (xml.hasError())
            complete = false;
    }
    FcStrListDone(files);
    if (!complete)
        return std::nullopt;
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
    loadConfiguration();
}

FontconfigFontSource::~FontconfigFontSource() = default;

void FontconfigFontSource::shareAsCurrent()
{
    if (m_config)
        FcConfigSetCurrent(m_config.get()); // takes a reference of its own
}

std::shared_ptr<const FontCatalog> FontconfigFontSource::snapshot()
{
    if (!m_config || fontFolderState(m_config.get()) != m_folderState)
        loadConfiguration();
    if (!m_catalog)
        m_catalog = makeCatalog();
    return m_catalog;
}

void FontconfigFontSource::loadConfiguration()
{
    // A font added while fontconfig reads the folders is found by the next look: the state then says
    // that a folder changed meanwhile.
    timespec loadStarted = {};
    clock_gettime(CLOCK_REALTIME_COARSE, &loadStarted); // the clock the file system stamps times with
    m_config = sharedConfig(FcInitLoadConfigAndFonts());
    m_folderState = m_config ? fontFolderState(m_config.get(), &loadStarted) : QByteArray();
    m_catalog.reset();
}

std::shared_ptr<const FontCatalog> FontconfigFontSource::makeCatalog() const
{
    // The alias rules live as long as the last catalog that asks them.
    QList<FontCatalog::Face> faces;
    FontCatalog::MetricAliases metricAliases;
    if (m_config) {
        metricAliases = [config = m_config,
                         families = sameBoundAliasFamilies(m_config.get())](const QString &family) {
            if (families && !families->contains(ruleKey(family)))
                return QStringList();
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
    return std::make_shared<const FontCatalog>(std::move(faces), std::move(metricAliases));
}

} // namespace kernwick
