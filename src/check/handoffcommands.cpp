#include "handoffcommands.h"

#include <model/printabletext.h>
#include <package/fontinstaller.h>
#include <package/packagecontents.h>
#include <platform/filenamealiases.h>
#include <platform/fileoperations.h>
#include <platform/fontfilefaces.h>
#include <resolve/fontresolver.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

enum class FontPlace
{
    installedHere,
    inPackage,
    missing
};

QString placeWord(FontPlace place)
{
    switch (place) {
    case FontPlace::installedHere:
        return u"Installed here"_s;
    case FontPlace::inPackage:
        return u"In the package"_s;
    case FontPlace::missing:
        break;
    }
    return u"Missing"_s;
}

QString presentationWord(PresentationState state)
{
    switch (state) {
    case PresentationState::intact:
        return u"hash right"_s;
    case PresentationState::changed:
        return u"changed since the package was made"_s;
    case PresentationState::unchecked:
        return u"no manifest hash to check"_s;
    case PresentationState::absent:
        break;
    }
    return u"not in the package"_s;
}

struct VerifiedFont
{
    QString name;
    QString sourceStatus;
    FontPlace place = FontPlace::missing;
    QString installedFile;
    QStringList packageFiles; // the files in Fonts/ that bring it
    QString leftOut = {};     // why the package does not bring it, as the manifest says
};

struct Verification
{
    PackageContents contents;
    QList<VerifiedFont> fonts;
    QStringList problems;
    QStringList notes;
    bool isReady = false;         // every font is installed here, or brought intact by the package
    bool needsInstalling = false; // … and some of them still have to be installed
};

Verification verifyPackage(const QString &packagePath, const FontScanner &scanner)
{
    Verification result;
    result.contents = readPackage(packagePath);
    const PackageContents &contents = result.contents;
    result.problems = contents.problems;
    FontconfigFontSource source;
    FontResolver resolver(source);
    const InstalledFonts installed = resolver.installedFonts();
    // A font installed from a package of this name counts only when it is this package's file.
    const QString ownFontFolder = QDir(userFontFolder(QDir::homePath())).filePath(contents.packageName);
    QHash<QString, QString> installedHashes; // each installed file hashed once

    const auto installedHere = [&](VerifiedFont &font, const QStringList &packageHashes = {}) {
        const FontStatusItem item = installed.resolveFont(font.name);
        if (!item.hasFile() || item.status == FontStatus::unresolved)
            return false;
        if (!packageHashes.isEmpty() && isSameOrInside(item.filePath(), ownFontFolder)) {
            auto hash = installedHashes.constFind(item.filePath());
            if (hash == installedHashes.constEnd())
                hash = installedHashes.insert(item.filePath(), sha256OfItem(item.filePath()));
            if (!packageHashes.contains(*hash)) {
                result.notes.append(
                    item.filePath() +
                    u" is installed from another package of this name, not this one's file"_s);
                return false;
            }
        }
        font.place = FontPlace::installedHere;
        font.installedFile = item.filePath();
        return true;
    };

    const bool manifestRead = contents.hasManifest && !contents.fonts.isEmpty();
    if (manifestRead || (contents.hasManifest && contents.presentationPath.isEmpty())) {
        for (const PackagedFont &packaged : contents.fonts) {
            VerifiedFont font{packaged.name,   packaged.sourceStatus, FontPlace::missing, {}, {},
                              packaged.leftOut};
            for (const PackagedFile &file : packaged.files) {
                if (file.state == PackagedFileState::changed)
                    result.problems.append(u"Fonts/"_s + file.name +
                                           u" is damaged or changed: its SHA-256 is not the manifest's"_s);
                else if (file.state == PackagedFileState::absent)
                    result.problems.append(u"Fonts/"_s + file.name +
                                           u" is named by the manifest but missing"_s);
                else if (file.state == PackagedFileState::notRegularFile)
                    result.problems.append(u"Fonts/"_s + file.name +
                                           u" is not a regular file; it is not read"_s);
            }
            const bool brought = !packaged.files.isEmpty() &&
                                 std::all_of(packaged.files.begin(), packaged.files.end(),
                                             [](const PackagedFile &file) { return file.isUsable(); });
            QStringList hashes;
            for (const PackagedFile &file : packaged.files) {
                if (file.isUsable())
                    hashes.append(file.sha256);
            }
            if (!installedHere(font, hashes) && brought)
                font.place = FontPlace::inPackage;
            for (const PackagedFile &file : packaged.files)
                font.packageFiles.append(file.name);
            result.fonts.append(font);
        }
        for (const PackagedFile &file : contents.unlistedFiles)
            result.notes.append(u"Fonts/"_s + file.name + u" is not in the manifest; it is not installed"_s);
    } else if (!contents.presentationPath.isEmpty()) {
        // Without a manifest (or with one that could not be read): the presentation tells the fonts, the
        // names inside the files in Fonts/ tell which of them the package brings.
        if (!contents.hasManifest)
            result.notes.append(
                u"no manifest: the fonts come from the presentation, the files' hashes are not checked"_s);
        QList<FontCatalog::Face> faces;
        QHash<QString, QString> fileNames; // by path
        for (const PackagedFile &file : contents.unlistedFiles) {
            if (file.isUsable()) {
                faces += readFontFileFaces(file.path);
                fileNames.insert(file.path, file.name);
            } else {
                result.notes.append(u"Fonts/"_s + file.name +
                                    u" is a link or not a font file; it is not read"_s);
            }
        }
        // The files bring a font as installed files would: the face its name stands for.
        const FontIdentity identity(faces);
        for (const QString &name : scanner.scanFonts(contents.presentationPath)) {
            VerifiedFont font{name, {}, FontPlace::missing, {}, {}};
            if (const FontMatch match = identity.match(name); match.isFound())
                font.packageFiles.append(fileNames.value(faces[match.face].file));
            if (!installedHere(font) && !font.packageFiles.isEmpty())
                font.place = FontPlace::inPackage;
            result.fonts.append(font);
        }
    } else {
        result.problems.append(u"neither a manifest nor a presentation to tell the fonts"_s);
    }
    result.isReady = result.problems.isEmpty() && !result.fonts.isEmpty() &&
                     std::none_of(result.fonts.begin(), result.fonts.end(),
                                  [](const VerifiedFont &font) { return font.place == FontPlace::missing; });
    result.needsInstalling =
        result.isReady && std::any_of(result.fonts.begin(), result.fonts.end(), [](const VerifiedFont &font) {
            return font.place == FontPlace::inPackage;
        });
    return result;
}

// "Ready on this machine"; with fonts still to install "Ready once its fonts are installed
// (kernwick-check --install-fonts PACKAGE)"; else "Not ready on this machine".
QString verdictText(const Verification &result)
{
    if (!result.isReady)
        return u"Not ready on this machine"_s;
    if (result.needsInstalling) {
        // The command as it can be pasted into a shell.
        QString package = result.contents.packagePath;
        static const QRegularExpression plain(u"^[A-Za-z0-9._/+-]+$"_s);
        if (!plain.match(package).hasMatch())
            package = u'\'' + package.replace(u"'"_s, u"'\\''"_s) + u'\'';
        return u"Ready once its fonts are installed (kernwick-check --install-fonts "_s + package + u')';
    }
    return u"Ready on this machine"_s;
}

QString verificationText(const Verification &result)
{
    const PackageContents &contents = result.contents;
    QString text = printableText(contents.packagePath) + u'\n';
    text += u"  Presentation: "_s +
            (contents.presentationName.isEmpty() ? u"—"_s : printableText(contents.presentationName)) +
            u" ("_s + presentationWord(contents.presentationState) + u")\n"_s;
    // Names are cut at 60 characters, as the check's text does; --json gives them whole.
    constexpr qsizetype longestName = 60;
    const auto shown = [](const QString &name) {
        return printableText(name.size() > longestName ? name.left(longestName - 1) + u'…' : name);
    };
    qsizetype nameWidth = 0;
    for (const VerifiedFont &font : result.fonts)
        nameWidth = std::max(nameWidth, std::min(font.name.size(), longestName));
    for (const VerifiedFont &font : result.fonts) {
        QString where = u"—"_s;
        if (font.place == FontPlace::installedHere)
            where = font.installedFile;
        else if (!font.packageFiles.isEmpty())
            where = u"Fonts/"_s + font.packageFiles.join(u", Fonts/"_s);
        if (font.place == FontPlace::missing && !font.leftOut.isEmpty())
            where = u"left out of the package: "_s + font.leftOut;
        text += u"  "_s + shown(font.name).leftJustified(nameWidth) + u"  "_s +
                placeWord(font.place).leftJustified(14) + u"  "_s + printableText(where) + u'\n';
    }
    for (const QString &problem : result.problems)
        text += u"  Problem: "_s + printableText(problem) + u'\n';
    for (const QString &note : result.notes)
        text += u"  Note: "_s + printableText(note) + u'\n';
    text += u"  "_s + verdictText(result) + u'\n';
    return text;
}

QJsonObject verificationJson(const Verification &result)
{
    QJsonArray fonts;
    for (const VerifiedFont &font : result.fonts) {
        fonts.append(QJsonObject{
            {u"name"_s, font.name},
            {u"sourceStatus"_s, font.sourceStatus.isEmpty() ? QJsonValue() : QJsonValue(font.sourceStatus)},
            {u"place"_s, placeWord(font.place)},
            {u"installedFile"_s,
             font.installedFile.isEmpty() ? QJsonValue() : QJsonValue(font.installedFile)},
            {u"packageFiles"_s, QJsonArray::fromStringList(font.packageFiles)},
            {u"leftOut"_s, font.leftOut.isEmpty() ? QJsonValue() : QJsonValue(font.leftOut)}});
    }
    const PackageContents &contents = result.contents;
    return QJsonObject{
        {u"package"_s, contents.packagePath},
        {u"hasManifest"_s, contents.hasManifest},
        {u"presentation"_s, QJsonObject{{u"name"_s, contents.presentationName},
                                        {u"state"_s, presentationWord(contents.presentationState)}}},
        {u"fonts"_s, fonts},
        {u"problems"_s, QJsonArray::fromStringList(result.problems)},
        {u"notes"_s, QJsonArray::fromStringList(result.notes)},
        {u"readyOnThisMachine"_s, result.isReady && !result.needsInstalling},
        {u"readyOnceFontsInstalled"_s, result.isReady},
        {u"verdict"_s, verdictText(result)}};
}

QString outcomeText(const FontInstallOutcome &outcome, bool installing)
{
    QString text = printableText(outcome.folder) + u'\n';
    const auto list = [&](const QString &title, const QStringList &names) {
        for (const QString &name : names)
            text += u"  "_s + title + u": "_s + printableText(name) + u'\n';
    };
    list(installing ? u"Installed"_s : u"Removed"_s, outcome.installed);
    list(installing ? u"Already present"_s : u"Already gone"_s, outcome.alreadyPresent);
    list(u"Not done"_s, outcome.refused);
    if (outcome.installed.isEmpty() && outcome.alreadyPresent.isEmpty() && outcome.refused.isEmpty())
        text += installing ? u"  No fonts to install.\n"_s : u"  No fonts of this package are installed.\n"_s;
    return text;
}

} // namespace

std::optional<int> runHandoffCommand(const QCommandLineParser &parser,
                                     const QList<QCommandLineOption> &options, bool json,
                                     const FontScanner &scanner, const FileNameAliases &aliases)
{
    const QCommandLineOption &verify = options[0];
    const QCommandLineOption &install = options[1];
    const QCommandLineOption &uninstall = options[2];
    const int given = int(parser.isSet(verify)) + int(parser.isSet(install)) + int(parser.isSet(uninstall));
    if (given == 0)
        return std::nullopt;
    QTextStream out(stdout);
    QTextStream err(stderr);
    for (const QCommandLineOption &option : {verify, install, uninstall}) {
        // "--verify --json PACKAGE": the option took the next word as its package.
        if (parser.isSet(option) && parser.value(option).startsWith(u'-')) {
            err << u"kernwick-check: --"_s << option.names().constLast()
                << u" takes the package folder right after it\n"_s;
            return 2;
        }
    }
    if (given > 1 || !parser.positionalArguments().isEmpty() || parser.isSet(u"package"_s)) {
        err << u"kernwick-check: --verify, --install-fonts and --uninstall-fonts take one package and nothing else\n"_s;
        return 2;
    }
    const QCommandLineOption &option = parser.isSet(verify)    ? verify
                                       : parser.isSet(install) ? install
                                                               : uninstall;
    const QString package = parser.value(option);
    if (&option != &uninstall && !QFileInfo(package).isDir()) {
        err << u"kernwick-check: "_s << printableText(aliases.shownPath(package))
            << u": not a package folder\n"_s;
        return 2;
    }
    if (&option == &install && !isHandoffPackage(package)) {
        err << u"kernwick-check: "_s << printableText(aliases.shownPath(package))
            << u": not a handoff package (no manifest and no Fonts folder); nothing is installed\n"_s;
        return 2;
    }
    if (&option == &verify) {
        Verification result = verifyPackage(package, scanner);
        result.contents.packagePath = aliases.shownPath(result.contents.packagePath);
        if (json)
            out << QJsonDocument(verificationJson(result)).toJson(QJsonDocument::Indented);
        else
            out << verificationText(result);
        return result.isReady ? 0 : 1;
    }
    // Uninstalling a package that is still there removes only what that very package installed.
    FontInstallOutcome outcome =
        &option == &install
            ? installPackageFonts(readPackage(package), QDir::homePath())
            : uninstallPackageFonts(
                  QFileInfo(QDir::cleanPath(QFileInfo(package).absoluteFilePath())).fileName(),
                  isHandoffPackage(package) ? readPackage(package).identity : QString(), QDir::homePath());
    if (!outcome.error.isEmpty()) {
        err << u"kernwick-check: "_s << printableText(outcome.error) << u'\n';
        return 1;
    }
    outcome.folder = aliases.shownPath(outcome.folder);
    out << outcomeText(outcome, &option == &install);
    return outcome.isComplete() ? 0 : 1;
}

} // namespace kernwick
