#include "dialogfilechooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QStandardPaths>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

bool isKeynotePackage(const QString &path)
{
    return path.endsWith(u".key"_s, Qt::CaseInsensitive) && QFileInfo(path).isDir();
}

// Choosing a folder in a file dialog opens it. A Keynote package is a folder that is one document:
// choosing it, or opening it, chooses it.
class PackageAwareFileDialog final : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    QString package;

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (files.size() == 1 && isKeynotePackage(files.first())) {
            package = files.first();
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

// Room enough for the names and the whole of the date column, in the given folder.
void prepare(QFileDialog &dialog, const QString &prompt, const QString &folder)
{
    // Qt's own dialog: the platform ones give no way to take a package folder as a file.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    dialog.setDirectory(QFileInfo(folder).isDir() ? folder : QDir::homePath());
    dialog.resize(880, 540);
    if (auto *details = dialog.findChild<QTreeView *>(u"treeView"_s))
        details->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
}

} // namespace

DialogFileChooser::DialogFileChooser(QWidget *parent)
    : m_parent(parent)
{}

std::optional<QString> DialogFileChooser::chooseFile(const QString &prompt, const QString &message)
{
    // A title, not the sentence (which the desktop's chooser shows as its message); the presentations
    // first, in the folder of the last one chosen, or in the documents folder.
    Q_UNUSED(message);
    PackageAwareFileDialog dialog(m_parent, u"Open Presentation"_s);
    dialog.setObjectName(u"chooseFileDialog"_s);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({u"Presentations (*.key *.pptx *.ppt)"_s, u"All files (*)"_s});
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    prepare(dialog, prompt,
            QFileInfo(m_lastFolder).isDir() ? m_lastFolder
            : QFileInfo(documents).isDir()  ? documents
                                            : QDir::homePath());
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&dialog](const QString &folder) {
        if (isKeynotePackage(folder)) {
            dialog.package = folder;
            static_cast<QDialog &>(dialog).done(QDialog::Accepted);
        }
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    const QString chosen = !dialog.package.isEmpty() ? dialog.package : files.value(0);
    if (chosen.isEmpty())
        return std::nullopt;
    m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

std::optional<QString> DialogFileChooser::chooseFolder(const QString &prompt, const QString &message,
                                                       const QString &startFolder)
{
    QFileDialog dialog(m_parent, message);
    dialog.setObjectName(u"chooseFolderDialog"_s);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    prepare(dialog, prompt, startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace kernwick
