#include "documentquery.h"

#include <fontmeta/documentreader.h>
#include <fontmeta/embeddedfonts.h>
#include <fontmeta/fontlist.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace kernwick::fontmeta {

QString documentReadProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return u"no such file or folder"_s;
    if (info.isDir())
        return info.isReadable() && info.isExecutable() ? QString() : u"cannot be read"_s;
    if (!info.isFile())
        return u"not a file or a package folder"_s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"cannot be read: "_s + file.errorString();
    return {};
}

QJsonObject queryDocument(const QString &path, const ZipMemberTap *tap, bool *readable)
{
    const QString problem = documentReadProblem(path);
    QList<ListedFont> fonts;
    QStringList notes{problem};
    ReadResult result;
    if (problem.isEmpty()) {
        result = readDocumentFonts(path, tap);
        notes = result.notes;
        fonts = listFonts(result, &notes);
    }
    if (readable)
        *readable = problem.isEmpty();
    QJsonObject answer = formatAsJson(path, fonts, notes);
    answer.insert(u"embedded"_s, embeddedFontsToJson(result.embedded));
    return answer;
}

QByteArray queryDocumentAnswer(const QString &path, const ZipMemberTap *tap)
{
    return QJsonDocument(queryDocument(path, tap)).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace kernwick::fontmeta
