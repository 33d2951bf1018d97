#pragma once

#include <package/packagecontents.h>
#include <platform/fileoperations.h>

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

// The user's own font folder under `home`, as fontconfig finds it: "$XDG_DATA_HOME/fonts", else
// "~/.local/share/fonts".
QString userFontFolder(const QString &home);

// Copies the package's installable fonts into a folder of the user's own, named after the package, inside
// the user's font folder under `home`; never replaces a file there, installs only the bytes whose hash
// was checked, remembers what it installed there, and makes fontconfig see the fonts at once. Refuses a
// font folder that lies outside `home` (or XDG_DATA_HOME), and a folder whose fonts another package of the
// same name installed. A record that cannot be written (a full disk) fails the install, and the fonts it
// copied are removed again. Running it again installs nothing new.
FontInstallOutcome installPackageFonts(const PackageContents &package, const QString &home,
                                       const WriteFunction &write = {});

// Removes exactly the files that installing `packageName` put there and that are still as installed, and
// the folder when nothing else is left in it; nothing when they came from a package of another identity
// (empty: not known, the package being gone). Running it again removes nothing.
FontInstallOutcome uninstallPackageFonts(const QString &packageName, const QString &packageIdentity,
                                         const QString &home);

} // namespace kernwick
