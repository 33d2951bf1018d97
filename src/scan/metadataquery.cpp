#include "metadataquery.h"

#include <scan/embeddedfonts.h>
#include <scan/scantext.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString helperName = u"kernwick-fontmeta"_s;
const QString waitForQuery = u"--wait-for-query"_s;
// The helper lists what it could not read; more than this many lines say nothing more.
constexpr int maxNotes = 50;
} // namespace

QStringList MetadataAnswer::names() const
{
    QStringList list;
    list.reserve(fonts.size());
    for (const MetadataFont &font : fonts)
        list.append(font.name);
    return list;
}

QString metadataFontName(QStringView name)
{
    const QString clean = trimScanWhitespace(withoutControlCharacters(name));
    const QString lower = clean.toLower();
    if (clean.isEmpty() || clean.size() > maxFontNameLength || lower == u"null" || clean.contains(u'/') ||
        lower.endsWith(u".key") || lower.endsWith(u".pptx") || lower.endsWith(u".ppt")) {
        return {};
    }
    return clean;
}

MetadataAnswer parseMetadataAnswer(const QByteArray &answer)
{
    MetadataAnswer result;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        result.notes.append(u"kernwick-fontmeta gave no readable answer: the fonts the document lists "
                            u"itself are not included"_s);
        return result;
    }
    const QJsonObject object = document.object();
    int tooLong = 0;
    int beyondCount = 0;
    int pathLike = 0;
    for (const QJsonValue font : object[u"fonts"_s].toArray()) {
        const QString raw = font[u"name"_s].toString();
        const QString name = metadataFontName(raw);
        if (name.isEmpty()) {
            tooLong += raw.size() > maxFontNameLength ? 1 : 0;
            // A path or a document's file name is no font name: it is left out, and said.
            const QString clean = trimScanWhitespace(withoutControlCharacters(raw));
            if (raw.size() <= maxFontNameLength && !clean.isEmpty() && clean.toLower() != u"null") {
                if (++pathLike <= maxNotes)
                    result.notes.append(u"left out “%1”: a path or a presentation's file name, not a font "
                                        u"name"_s.arg(clean));
            }
            continue;
        }
        if (result.fonts.size() >= maxFontNames) {
            ++beyondCount;
            continue;
        }
        MetadataFont listed{name, {}};
        for (const QJsonValue place : font[u"places"_s].toArray())
            listed.places.append(withoutControlCharacters(place.toString()));
        listed.used = font[u"used"_s].toBool(true);
        listed.usedInKnown = font[u"usedIn"_s].isArray();
        for (const QJsonValue place : font[u"usedIn"_s].toArray())
            listed.usedIn.append(withoutControlCharacters(place.toString()));
        const QJsonObject characters = font[u"characters"_s].toObject();
        qsizetype total = 0;
        for (auto drawn = characters.begin(); drawn != characters.end(); ++drawn) {
            const QString text = withoutControlCharacters(drawn.value().toString());
            if ((total += text.size()) > maxDrawnCharacters)
                break;
            listed.characters.append({withoutControlCharacters(drawn.key()), text});
        }
        result.fonts.append(listed);
    }
    if (pathLike > maxNotes)
        result.notes.append(
            u"left out %1 more names that are paths or file names"_s.arg(pathLike - maxNotes));
    for (const QJsonValue note : object[u"notes"_s].toArray()) {
        if (result.notes.size() < maxNotes)
            result.notes.append(withoutControlCharacters(note.toString()));
    }
    if (tooLong > 0)
        result.notes.append(
            u"left out %1 font name(s) longer than %2 characters"_s.arg(tooLong).arg(maxFontNameLength));
    if (beyondCount > 0)
        result.notes.append(
            u"stopped at %1 font names: %2 more are not listed"_s.arg(maxFontNames).arg(beyondCount));
    result.embedded = parseEmbeddedFonts(object);
    return result;
}

struct MetadataQuery::ReadyHelper
{
    QMutex lock;
    std::unique_ptr<WaitingProgram> waiting; // guarded by lock
};

MetadataQuery::MetadataQuery(QString program, ChildProcessLimits limits)
    : m_program(std::move(program))
    , m_limits(limits)
    , m_ready(std::make_shared<ReadyHelper>())
{}

MetadataQuery::MetadataQuery(DocumentReader reader)
    : m_reader(std::move(reader))
{}

MetadataAnswer MetadataQuery::query(const QString &presentationPath, const ZipMemberTap *tap) const
{
    if (m_reader)
        return parseMetadataAnswer(m_reader(presentationPath, tap));
    return query(presentationPath, std::function<void()>());
}

MetadataAnswer MetadataQuery::query(const QString &presentationPath,
                                    const std::function<void()> &meanwhile) const
{
    if (m_reader || m_program.isEmpty()) {
        if (meanwhile)
            meanwhile();
        return m_reader ? parseMetadataAnswer(m_reader(presentationPath, nullptr)) : MetadataAnswer();
    }
    const auto answer = askHelper(presentationPath, meanwhile);
    if (!answer) {
        return {{},
                {u"kernwick-fontmeta could not be run, or was stopped: the fonts the document lists itself "
                 u"are not included"_s}};
    }
    return parseMetadataAnswer(*answer);
}

void MetadataQuery::startHelperAhead() const
{
    if (m_program.isEmpty() || m_reader)
        return;
    const QMutexLocker locker(&m_ready->lock);
    if (!m_ready->waiting || !m_ready->waiting->isWaiting())
        m_ready->waiting = std::make_unique<WaitingProgram>(m_program, QStringList{waitForQuery});
}

std::optional<QByteArray> MetadataQuery::askHelper(const QString &presentationPath,
                                                   const std::function<void()> &meanwhile) const
{
    std::unique_ptr<WaitingProgram> helper;
    {
        const QMutexLocker locker(&m_ready->lock);
        helper = std::move(m_ready->waiting);
    }
    // Without a helper started ahead (or with one that is gone before its document reaches it), one is
    // started for the document.
    if (!helper || !helper->give(QFile::encodeName(presentationPath), m_limits)) {
        if (meanwhile)
            meanwhile();
        return runProgramForOutput(m_program, {u"--query"_s, presentationPath}, m_limits);
    }
    if (meanwhile)
        meanwhile();
    return helper->collect();
}

QString MetadataQuery::locateHelper(const QString &applicationDir, const QString &libexecFromApplication,
                                    const QString &installedLibexecDir)
{
    const QString relative =
        libexecFromApplication.isEmpty() ? QString() : QDir(applicationDir).filePath(libexecFromApplication);
    for (const QString &folder : {applicationDir, relative, installedLibexecDir}) {
        if (folder.isEmpty())
            continue;
        const QFileInfo candidate(QDir(folder).filePath(helperName));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

} // namespace kernwick
