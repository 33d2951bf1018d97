#include "dialogfilechooser.h"

#include <QFileDialog>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
bool isKeynotePackage(const QString &path)
{
    return path.endsWith(u".key"_s, Qt::CaseInsensitive);
}
} // namespace

DialogFileChooser::DialogFileChooser(QWidget *parent)
    : m_parent(parent)
{
}

std::optional<QString> DialogFileChooser::chooseFile(const QString &prompt, const QString &message)
{
    QFileDialog dialog(m_parent, message);
    dialog.setObjectName(u"chooseFileDialog"_s);
    // Qt's own dialog: the platform ones give no way to take a package folder as a file.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    QString package;
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&](const QString &folder) {
        if (isKeynotePackage(folder)) {
            package = folder;
            static_cast<QDialog &>(dialog).done(QDialog::Accepted);
        }
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (!package.isEmpty())
        return package;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.first();
}

std::optional<QString> DialogFileChooser::chooseFolder(const QString &prompt, const QString &message)
{
    QFileDialog dialog(m_parent, message);
    dialog.setObjectName(u"chooseFolderDialog"_s);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace kernwick
