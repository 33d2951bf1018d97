#pragma once

#include <QString>

#include <optional>

namespace kernwick {

// Asks the person at the machine for a file or a folder. Runs on the interface thread and returns once
// they have answered.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    // A presentation; a Keynote package, which is a folder, can be chosen as one file. Nothing when
    // cancelled.
    virtual std::optional<QString> chooseFile(const QString &prompt, const QString &message) = 0;
    // A folder, which may be made new in the chooser, which opens in `startFolder`. Nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const QString &prompt, const QString &message,
                                                const QString &startFolder) = 0;
};

// Posts a desktop notification. Returns at once; a desktop that shows no notifications shows nothing.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void postNotice(const QString &title, const QString &body) = 0;
};

// Shows an item selected in the desktop's file manager, or opens the folder that holds it where no file
// manager offers that.
class FileRevealer
{
public:
    virtual ~FileRevealer() = default;
    virtual void revealItem(const QString &path, const QString &containingFolder) = 0;
};

} // namespace kernwick
