#pragma once

#include <package/packagecontents.h>

#include <QString>
#include <QStringList>

namespace kernwick {

// What installing or uninstalling a package's fonts did, file by file.
struct FontInstallOutcome
{
    QString folder;             // the package's own font folder
    QStringList installed;      // files copied now (installing), or removed now (uninstalling)
    QStringList alreadyPresent; // the same file was there already (installing), or is gone already
    QStringList refused;        // "File.ttf: why", left as they are
    QString error;              // the folder itself could not be used; nothing was done

    bool isComplete() const { return error.isEmpty() && refused.isEmpty(); }
};

// The user's own font folder under `home`: "~/.local/share/fonts".
QString userFontFolder(const QString &home);

// Copies the package's installable fonts into a folder of the user's own, named after the package, inside
// the user's font folder under `home`; never replaces a file there, installs only the bytes whose hash
// was checked, remembers what it installed there, and makes fontconfig see the fonts at once. Refuses a
// font folder that lies outside `home`. Running it again installs nothing new.
FontInstallOutcome installPackageFonts(const PackageContents &package, const QString &home);

// Removes exactly the files that installing `packageName` put there and that are still as installed, and
// the folder when nothing else is left in it. Running it again removes nothing.
FontInstallOutcome uninstallPackageFonts(const QString &packageName, const QString &home);

} // namespace kernwick
