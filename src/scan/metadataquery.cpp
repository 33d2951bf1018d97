#include "metadataquery.h"

#include <scan/scantext.h>

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString helperName = u"kernwick-fontmeta"_s;
}

QStringList parseMetadataFontList(const QByteArray &answer)
{
    QString text = decodeUtf8(answer).value_or(QString());
    if (text.contains(u"kMDItemFonts = (null)"_s) || trimScanWhitespace(text).isEmpty())
        return {};

    text.remove(u"kMDItemFonts ="_s);
    text.remove(u'(');
    text.remove(u')');
    text.remove(u'"');

    QStringList names;
    for (const QStringView item : QStringView(text).split(u',', Qt::SkipEmptyParts)) {
        const QString name = trimScanWhitespace(item);
        const QString lower = name.toLower();
        if (name.isEmpty() || lower == u"null" || name.contains(u'/') || lower.endsWith(u".key") ||
            lower.endsWith(u".pptx") || lower.endsWith(u".ppt")) {
            continue;
        }
        names.append(name);
    }
    return names;
}

MetadataQuery::MetadataQuery(QString program, ChildProcessLimits limits)
    : m_program(std::move(program))
    , m_limits(limits)
{}

QStringList MetadataQuery::metadataFonts(const QString &presentationPath) const
{
    if (m_program.isEmpty())
        return {};
    const auto answer =
        runProgramForOutput(m_program, {u"-name"_s, u"kMDItemFonts"_s, presentationPath}, m_limits);
    if (!answer)
        return {};
    return parseMetadataFontList(*answer);
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
