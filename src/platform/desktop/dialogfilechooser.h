#pragma once

#include <platform/desktopservices.h>

#include <QString>

class QWidget;

namespace kernwick {

// Qt's own file dialog, for where the desktop offers no file chooser of its own. A Keynote package is a
// folder on disk; opening one in the file chooser chooses it, as one file.
class DialogFileChooser final : public FileChooser
{
public:
    explicit DialogFileChooser(QWidget *parent = nullptr);

    std::optional<QString> chooseFile(const QString &prompt, const QString &message) override;
    std::optional<QString> chooseFolder(const QString &prompt, const QString &message,
                                        const QString &startFolder) override;

private:
    QWidget *m_parent;
    QString m_lastFolder; // of the last presentation chosen
};

} // namespace kernwick
