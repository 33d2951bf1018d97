#pragma once

#include <model/fontstatusitem.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kernwick {

// The machine-readable description of a handoff package that the show machine reads: which presentation,
// which fonts with their state on the machine that made the package, and which files in Fonts/ belong to
// each, with hashes to tell them intact.
inline constexpr auto manifestFileName = "handoff-manifest.json";
inline constexpr int manifestVersion = 1;

struct ManifestFile
{
    QString name; // a file name inside Fonts/, nothing more
    QStringList faces;
    QString sha256;          // lower-case hex
    QString permission = {}; // its licence's embedding permission, when the machine that made it read it
};

// Where a deck uses one font, as its scan told it.
struct FontPlaces
{
    bool used = true;   // text draws it; false when the deck only declares it
    QStringList usedIn; // where text draws it: "slide 3"; empty when that is not known
};

struct ManifestFont
{
    QString name;
    QString status; // the status's word on the machine that made the package
    QList<ManifestFile> files;
    std::optional<FontPlaces> places; // nothing when the scan did not tell
    QString permission = {};          // of an installed font: its licence's embedding permission
    QStringList embeddedFaces = {};   // the faces the presentation carries itself; empty: none
    // Why an installed font is not in the package: "Left out by choice", …; empty if it is.
    QString leftOut = {};
    // Missing, though its family was installed without the face it asks for: that family and style.
    QString installedFamily = {};
    QString missingFace = {};
    QString missingCharacters = {}; // "3 characters not in …": drawn by the text, not in its file
};

struct Manifest
{
    int version = manifestVersion;
    QString presentationName; // a file (or Keynote folder) name inside the package folder
    QString presentationSha256;
    bool presentationInPackage = false;
    QList<ManifestFont> fonts;
};

QByteArray manifestToJson(const Manifest &manifest);

// The manifest in `json`, or nothing with `error` set when it is not a manifest at all. Entries that name
// something outside the package (a path rather than a file name) are kept with the entry's name in
// `unsafeEntries` and their file name emptied, so that nothing ever reads them.
std::optional<Manifest> parseManifest(const QByteArray &json, QString *error, QStringList *unsafeEntries);

// A name that stays inside the folder it is looked up in: one path component, not "." or "..".
bool isPlainFileName(const QString &name);

// The SHA-256 of a file, or of a folder (a Keynote package) as the hash of the list of its regular files'
// relative paths and hashes, in code-point order; empty when it cannot be read. Links are not followed.
QString sha256OfItem(const QString &path);

// The manifest of a package: `packagedFiles` maps the path of each installed font file that was copied to
// its name in Fonts/ (folder `fontsFolder`); every font item is listed, a font with no file in the package
// with no files. Only the fonts that travel (see makeTravelList) list files; an installed font that does
// not says why: left out by choice or for its licence, or `failed` to copy.
Manifest makeManifest(const QString &presentationPath, bool presentationInPackage,
                      const QString &presentationSha256, const FontStatusItems &fontItems,
                      const QHash<QString, QString> &packagedFiles, const QString &fontsFolder,
                      const QHash<QString, FontPlaces> &places = {}, const QStringList &failed = {});

} // namespace kernwick
