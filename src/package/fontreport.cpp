#include "fontreport.h"

#include <model/places.h>
#include <model/printabletext.h>
#include <model/statuspresentation.h>

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

struct FileEntry
{
    QStringList faces;
    QString permission;
    QStringList fonts; // the fonts it serves
};

QString usageLine(const std::optional<FontPlaces> &places)
{
    if (!places)
        return {};
    if (!places->used)
        return u"not used by any text"_s;
    if (places->usedIn.isEmpty())
        return {};
    return u"used on "_s + gatherPlaces(places->usedIn).join(u", "_s);
}

// The name as a shell takes it, quoted when it holds anything but letters, digits and ._-
QString shellWord(const QString &word)
{
    static const QRegularExpression plain(u"^[A-Za-z0-9._-]+$"_s);
    if (plain.match(word).hasMatch())
        return word;
    return u'\'' + QString(word).replace(u"'"_s, u"'\\''"_s) + u'\'';
}

} // namespace

QString makeFontReport(const FontReportInput &input)
{
    QStringList lines = {u"Presentation Font Handoff Report"_s, u"================================"_s,
                         QString()};
    if (input.sourcePath) {
        lines.append(u"Source File: "_s + printableText(QFileInfo(*input.sourcePath).fileName()));
        lines.append(QString());
    }
    lines.append(u"Verdict: "_s + readinessPresentation(input.verdict.isReady).title + u" ("_s +
                 countsSummary(input.items) + u')');
    if (!input.verdict.attention.isEmpty())
        lines.append(u"  "_s + input.verdict.attention);
    lines.append(u"Made: "_s + input.made.toUTC().toString(u"yyyy-MM-dd HH:mm 'UTC'"_s) + u" by Kernwick "_s +
                 input.version);
    lines.append(QString());

    QHash<QString, const ManifestFont *> byName;
    for (const ManifestFont &font : input.manifest.fonts)
        byName.insert(font.name, &font);

    lines.append(u"All Fonts Used ("_s + QString::number(input.items.size()) + u"):"_s);
    for (const FontStatusItem &item : input.items) {
        lines.append(u"- "_s + item.fontName + u" ["_s + rawValue(item.status) + u"]"_s);
        if (!item.familyWithoutFace.isEmpty())
            lines.append(u"    "_s + familyWithoutFaceText(item.familyWithoutFace, item.missingFaceStyle));
        if (!item.missingCharacters.isEmpty())
            lines.append(u"    "_s + missingCharactersText(item.fontName, item.missingCharacters));
        const ManifestFont *font = byName.value(item.fontName);
        if (const QString usage = font ? usageLine(font->places) : QString(); !usage.isEmpty())
            lines.append(u"    "_s + usage);
    }
    lines.append(QString());

    // Every font whose files are in the package, also when another font brought the same file.
    QStringList exported;
    QMap<QString, FileEntry> files; // by name in Fonts/
    for (const ManifestFont &font : input.manifest.fonts) {
        if (font.files.isEmpty())
            continue;
        QStringList names;
        for (const ManifestFile &file : font.files) {
            names.append(u"Fonts/"_s + file.name);
            FileEntry &entry = files[file.name];
            entry.faces = file.faces;
            entry.faces.removeAll(QString());
            entry.permission = file.permission;
            if (!entry.fonts.contains(font.name))
                entry.fonts.append(font.name);
        }
        exported.append(font.name + u": "_s + names.join(u", "_s));
    }
    lines.append(u"Exported Fonts ("_s + QString::number(exported.size()) + u"):"_s);
    for (const QString &line : std::as_const(exported))
        lines.append(u"- "_s + line);
    lines.append(QString());

    lines.append(u"Files in Fonts/ ("_s + QString::number(files.size()) + u"):"_s);
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QStringList parts;
        if (!file->faces.isEmpty())
            parts.append(file->faces.join(u", "_s));
        if (!file->permission.isEmpty())
            parts.append(u"licence: "_s + file->permission);
        parts.append(u"for "_s + file->fonts.join(u", "_s));
        lines.append(u"- "_s + file.key() + u": "_s + parts.join(u" · "_s));
    }
    lines.append(QString());

    QStringList leftOut;
    for (const ManifestFont &font : input.manifest.fonts) {
        if (!font.leftOut.isEmpty() && !input.failed.contains(font.name))
            leftOut.append(font.name + u": "_s + font.leftOut);
    }
    lines.append(u"Left Out ("_s + QString::number(leftOut.size()) + u"):"_s);
    for (const QString &line : std::as_const(leftOut))
        lines.append(u"- "_s + line);
    lines.append(QString());

    lines.append(u"Export Failed ("_s + QString::number(input.failed.size()) + u"):"_s);
    for (const QString &name : input.failed)
        lines.append(u"- "_s + name);
    lines.append(QString());

    lines.append(u"Notes:"_s);
    lines.append(
        u"- System fonts come with the operating system and are not in the package. The show computer "
        u"may run another system: check that it has them, or a font with the same metrics."_s);
    lines.append(
        u"- Adobe Creative Cloud fonts cannot be redistributed. The show computer needs its own Adobe "
        u"CC subscription with those fonts activated."_s);
    lines.append(u"- A font left out for its licence is not in the package: the show computer needs its own "
                 u"licensed copy."_s);
    lines.append(u"- To install the fonts in Fonts/ on the show computer:"_s);
    lines.append(u"  Linux: kernwick-check --install-fonts "_s +
                 (input.packageName.isEmpty() ? u"PACKAGE"_s : shellWord(input.packageName)) +
                 u" (or copy the files to ~/.local/share/fonts and run fc-cache -f)."_s);
    lines.append(u"  macOS: double-click each file and click Install Font in Font Book (or copy the files to "
                 u"~/Library/Fonts)."_s);
    lines.append(u"  Windows: select the files, right-click and choose Install for all users (or "
                 u"Install)."_s);
    return lines.join(u'\n') + u'\n';
}

} // namespace kernwick
