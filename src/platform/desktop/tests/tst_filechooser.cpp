#include <platform/desktop/dialogfilechooser.h>
#include <platform/desktop/portalfilechooser.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <testsupport/desktop/testdesktop.h>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The choosers of files and folders: the desktop portal's on a private session bus, and Qt's own dialog,
// each answered as a person would answer it.
class FileChooserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void portal()
    {
        QTemporaryDir files;
        QVERIFY(QDir(files.path()).mkpath(u"Talk.key/Data"_s));
        test::ScriptedFileChooser fallback;
        // No portal to ask: Qt's dialog answers.
        fallback.files = {u"/from/the/dialog.pptx"_s};
        PortalFileChooser unreachable(QDBusConnection(u"nowhere"_s), fallback);
        QVERIFY(!unreachable.isPortalAvailable());
        QCOMPARE(unreachable.chooseFile(u"Choose File"_s, u"Which?"_s), u"/from/the/dialog.pptx"_s);

        test::TestFileChooserPortal portal;
        QVERIFY(portal.registerOnSessionBus());
        PortalFileChooser chooser(QDBusConnection::sessionBus(), fallback);
        QVERIFY(chooser.isPortalAvailable());
        // A file; anything chosen inside a Keynote package chooses the package; cancelled; a folder.
        portal.answers = {QStringList{files.filePath(u"Deck.pptx"_s)},
                          QStringList{files.filePath(u"Talk.key/Data/image.png"_s)}, std::nullopt,
                          QStringList{files.filePath(u"Talk.key"_s)}};
        QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Which?"_s), files.filePath(u"Deck.pptx"_s));
        QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Which?"_s), files.filePath(u"Talk.key"_s));
        QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Which?"_s), std::nullopt);
        QCOMPARE(chooser.chooseFolder(u"Choose Destination Folder"_s, u"Where?"_s, files.path()),
                 files.filePath(u"Talk.key"_s));
        QCOMPARE(fallback.asked.size(), 1);

        QCOMPARE(portal.requests.size(), 4);
        const QVariantMap file = portal.requests[0].options;
        QCOMPARE(portal.requests[0].title, u"Which?"_s);
        QCOMPARE(file.value(u"accept_label"_s).toString(), u"Choose File"_s);
        QVERIFY(!file.value(u"directory"_s).toBool() && file.value(u"modal"_s).toBool() &&
                file.contains(u"filters"_s));
        // The folder chooser opens in the folder it was given.
        const QVariantMap folder = portal.requests[3].options;
        QVERIFY(folder.value(u"directory"_s).toBool());
        QCOMPARE(folder.value(u"current_folder"_s).toByteArray(), QFile::encodeName(files.path()) + '\0');
    }

    void dialog()
    {
        // Accepting a selected folder opens it, as "Choose File" or a double click does; a Keynote package is
        // taken as one file instead. Nothing selected: cancel.
        for (const auto &[folder, selected, expected] : {std::tuple{false, u"Talk.key"_s, u"Talk.key"_s},
                                                         {false, u"Deck.pptx"_s, u"Deck.pptx"_s},
                                                         {false, QString(), QString()},
                                                         {true, u"."_s, u"."_s},
                                                         {true, QString(), QString()}}) {
            QTemporaryDir files;
            QVERIFY(QDir(files.path()).mkpath(u"Talk.key/Data"_s));
            QFile(files.filePath(u"Deck.pptx"_s)).open(QIODevice::WriteOnly);

            const QString prompt = folder ? u"Choose Destination Folder"_s : u"Choose File"_s;
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QCOMPARE(dialog->labelText(QFileDialog::Accept), prompt);
                if (selected.isEmpty())
                    return dialog->reject();
                QCOMPARE(dialog->directory().absolutePath(), folder ? files.path() : QDir::homePath());
                dialog->setDirectory(files.path());
                if (selected != u".")
                    dialog->selectFile(selected);
                static_cast<QDialog *>(dialog)->accept();
            });
            DialogFileChooser chooser;
            const auto answer = folder ? chooser.chooseFolder(prompt, u"Where?"_s, files.path())
                                       : chooser.chooseFile(prompt, u"Which?"_s);
            QCOMPARE(answer, expected.isEmpty() ? std::nullopt
                                                : std::optional(QDir::cleanPath(files.filePath(expected))));
        }
    }
};

QTEST_MAIN(FileChooserTest)
#include "tst_filechooser.moc"
