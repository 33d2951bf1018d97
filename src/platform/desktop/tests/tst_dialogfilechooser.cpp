#include <platform/desktop/dialogfilechooser.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The real file dialog, answered as a person would answer it.
class DialogFileChooserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
};

void DialogFileChooserTest::answers_data()
{
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("selected"); // empty: cancel
    QTest::addColumn<QString>("expected");
    // Accepting a selected folder opens it, as "Choose File" or a double click does; a Keynote package is
    // taken as one file instead.
    QTest::newRow("Keynote package") << false << u"Talk.key"_s << u"Talk.key"_s;
    QTest::newRow("ordinary file") << false << u"Deck.pptx"_s << u"Deck.pptx"_s;
    QTest::newRow("cancelled file") << false << QString() << QString();
    QTest::newRow("folder") << true << u"."_s << u"."_s;
    QTest::newRow("cancelled folder") << true << QString() << QString();
}

void DialogFileChooserTest::answers()
{
    QFETCH(bool, folder);
    QFETCH(QString, selected);
    QFETCH(QString, expected);
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
        dialog->setDirectory(files.path());
        if (selected != u".")
            dialog->selectFile(selected);
        static_cast<QDialog *>(dialog)->accept();
    });
    DialogFileChooser chooser;
    const auto answer =
        folder ? chooser.chooseFolder(prompt, u"Where?"_s) : chooser.chooseFile(prompt, u"Which?"_s);
    QCOMPARE(answer,
             expected.isEmpty() ? std::nullopt : std::optional(QDir::cleanPath(files.filePath(expected))));
}

QTEST_MAIN(DialogFileChooserTest)
#include "tst_dialogfilechooser.moc"
