#pragma once

#include <package/manifest.h>

#include <QList>
#include <QString>
#include <QStringList>

namespace kernwick {

// What a file in a package's Fonts/ folder was found to be.
enum class PackagedFileState
{
    intact,        // a regular file whose hash is the manifest's
    unchecked,     // a regular font file that no manifest vouches for (a package without one)
    changed,       // a regular file whose hash is not the manifest's: damaged or changed since
    absent,        // the manifest names it, Fonts/ does not hold it
    outside,       // the manifest names a path, not a file name in Fonts/: never looked at
    notRegularFile // a link, a folder or a device: never read
};

struct PackagedFile
{
    QString name; // its name in Fonts/, or the path the manifest gave
    QString path; // where it lies; empty for a name that is never looked at
    QStringList faces;
    QString sha256; // the hash it has now; empty when it was not read
    PackagedFileState state = PackagedFileState::absent;

    bool isUsable() const
    {
        return state == PackagedFileState::intact || state == PackagedFileState::unchecked;
    }
};

struct PackagedFont
{
    QString name;
    QString sourceStatus; // as the manifest gives it; empty without one
    QList<PackagedFile> files;
    QString leftOut = {}; // why the machine that made the package left it out; empty when it did not
};

enum class PresentationState
{
    intact,    // its hash is the manifest's
    changed,   // its hash is not the manifest's
    absent,    // not in the package
    unchecked, // in the package, without a manifest hash to compare
};

// A handoff package as the receiving side reads it. Nothing outside the package folder is read: the
// manifest's names are taken only as file names inside it, and links are neither followed nor read.
struct PackageContents
{
    QString packagePath;
    QString packageName; // the folder's own name: "Talk_package"
    QString identity;    // a hash of the presentation's and the font files' hashes: which package this is
    bool hasManifest = false;
    QStringList problems; // what is wrong with the package itself, in words
    QString presentationName;
    QString presentationPath; // empty when it is not in the package
    PresentationState presentationState = PresentationState::absent;
    QList<PackagedFont> fonts;         // the manifest's fonts, in its order; empty without one
    QList<PackagedFile> unlistedFiles; // what else Fonts/ holds (everything, without a manifest)

    // Every file of the package that may be installed: the intact ones the manifest names, or without a
    // manifest the regular font files in Fonts/. Each once.
    QList<PackagedFile> installableFiles() const;
};

// Whether `bytes` begin as a font file does: TrueType, OpenType, a collection, WOFF or Type 1.
bool looksLikeFontFile(const QByteArray &bytes);

PackageContents readPackage(const QString &packagePath);

// Whether the folder at `path` is a handoff package: it holds a manifest or a Fonts folder.
bool isHandoffPackage(const QString &path);

// The handoff package that holds the presentation at `presentationPath`: the folder it lies in, when a
// manifest or a Fonts folder lies beside it; empty otherwise.
QString enclosingHandoffPackage(const QString &presentationPath);

// The names among `names` whose files the package brings intact: by the manifest's font names, or without
// a manifest by the names inside its font files.
QStringList namesBroughtByPackage(const PackageContents &package, const QStringList &names);

} // namespace kernwick
