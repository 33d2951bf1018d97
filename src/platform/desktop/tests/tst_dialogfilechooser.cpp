#include <platform/desktop/dialogfilechooser.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using namespace kernwick;

// The real file dialog, answered as a person would answer it.
class DialogFileChooserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void keynotePackageIsChosenAsOneFile();
    void ordinaryFile();
    void cancelled();
    void folder();

private:
    // Runs `answer` on the dialog once it is open.
    static void whenOpen(const std::function<void(QFileDialog &)> &answer);
    QTemporaryDir m_folder;
};

void DialogFileChooserTest::initTestCase()
{
    QVERIFY(QDir(m_folder.path()).mkpath(u"Talk.key/Data"_s));
    QFile(m_folder.filePath(u"Talk.key/Index.zip"_s)).open(QIODevice::WriteOnly);
    QFile(m_folder.filePath(u"Deck.pptx"_s)).open(QIODevice::WriteOnly);
}

void DialogFileChooserTest::whenOpen(const std::function<void(QFileDialog &)> &answer)
{
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
        answer(*qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
    });
}

void DialogFileChooserTest::keynotePackageIsChosenAsOneFile()
{
    DialogFileChooser chooser;
    whenOpen([this](QFileDialog &dialog) {
        QCOMPARE(dialog.labelText(QFileDialog::Accept), u"Choose File"_s);
        dialog.setDirectory(m_folder.path());
        dialog.selectFile(u"Talk.key"_s);
        static_cast<QDialog &>(dialog)
            .accept(); // what "Choose File" or a double click does with a folder: open it
    });
    QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Choose a presentation."_s),
             m_folder.filePath(u"Talk.key"_s));
}

void DialogFileChooserTest::ordinaryFile()
{
    DialogFileChooser chooser;
    whenOpen([this](QFileDialog &dialog) {
        dialog.setDirectory(m_folder.path());
        dialog.selectFile(u"Deck.pptx"_s);
        static_cast<QDialog &>(dialog).accept();
    });
    QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Choose a presentation."_s),
             m_folder.filePath(u"Deck.pptx"_s));
}

void DialogFileChooserTest::cancelled()
{
    DialogFileChooser chooser;
    whenOpen([](QFileDialog &dialog) { dialog.reject(); });
    QCOMPARE(chooser.chooseFile(u"Choose File"_s, u"Choose a presentation."_s), std::nullopt);
    whenOpen([](QFileDialog &dialog) { dialog.reject(); });
    QCOMPARE(chooser.chooseFolder(u"Choose Destination Folder"_s, u"Where?"_s), std::nullopt);
}

void DialogFileChooserTest::folder()
{
    DialogFileChooser chooser;
    whenOpen([this](QFileDialog &dialog) {
        QCOMPARE(dialog.labelText(QFileDialog::Accept), u"Choose Destination Folder"_s);
        dialog.setDirectory(m_folder.path());
        static_cast<QDialog &>(dialog).accept();
    });
    QCOMPARE(chooser.chooseFolder(u"Choose Destination Folder"_s, u"Where?"_s), m_folder.path());
}

QTEST_MAIN(DialogFileChooserTest)
#include "tst_dialogfilechooser.moc"
