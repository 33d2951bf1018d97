#include <scan/metadataquery.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace kernwick;

class MetadataQueryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordedAnswers_data();
    void recordedAnswers();
    void askingTheTool();
    void toolThatMisbehaves();
    void findingTheHelper();

private:
    QString script(const QString &name, const QByteArray &body);
    QTemporaryDir m_folder;
};

QString MetadataQueryTest::script(const QString &name, const QByteArray &body)
{
    const QString path = QDir(m_folder.path()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body) < 0)
        return {};
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void MetadataQueryTest::recordedAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("notes");

    QTest::newRow("names in order, twice kept")
        << QByteArray(R"({"fonts": [{"name": "Arial", "places": ["slide 1"]}, {"name": "Gill Sans"},)"
                      R"( {"name": "Arial"}], "notes": []})")
        << QStringList{u"Arial"_s, u"Gill Sans"_s, u"Arial"_s} << QStringList();
    QTest::newRow("each name filtered on its own")
        << QByteArray(R"({"fonts": [{"name": " \u00a0Padded\n"}, {"name": "NULL"}, {"name": "Null Sans"},)"
                      R"( {"name": "/Users/x/Deck.key"}, {"name": "old.PPT"}, {"name": ""}, {"name": 7},)"
                      R"( {"name": "Bell\u0007\u001b[2JRing"}, {"name": "Lone\ud800"}]})")
        << QStringList{u"Padded"_s, u"Null Sans"_s, u"Bell  [2JRing"_s, u"Lone\uFFFD"_s} << QStringList();
    QTest::newRow("notes passed on, made printable")
        << QByteArray(R"({"fonts": [], "notes": ["encrypted", "slide\u001b[31m1: damaged"]})")
        << QStringList() << QStringList{u"encrypted"_s, u"slide [31m1: damaged"_s};
    QTest::newRow("a name longer than any font name")
        << "{\"fonts\": [{\"name\": \"" + QByteArray(300, 'A') + "\"}, {\"name\": \"Arial\"}]}"
        << QStringList{u"Arial"_s} << QStringList{u"left out 1 font name(s) longer than 256 characters"_s};
    const QStringList unreadable{
        u"kernwick-fontmeta gave no readable answer: the fonts the document lists itself are not included"_s};
    QTest::newRow("nothing") << QByteArray() << QStringList() << unreadable;
    QTest::newRow("the old text form is not read")
        << QByteArray("kMDItemFonts = (\n    \"Arial\"\n)\n") << QStringList() << unreadable;
    QTest::newRow("cut short") << QByteArray(R"({"fonts": [{"name": "Arial"})") << QStringList()
                               << unreadable;
}

void MetadataQueryTest::recordedAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, names);
    QFETCH(QStringList, notes);
    const MetadataAnswer parsed = parseMetadataAnswer(answer);
    QCOMPARE(parsed.names(), names);
    QCOMPARE(parsed.notes, notes);
}

void MetadataQueryTest::askingTheTool()
{
    // The two arguments arrive as they are, the path with its spaces.
    const QString tool = script(u"tool"_s, R"([ "$#" = 2 ] && [ "$1" = --query ] && [ -f "$2" ] || exit 1
echo '{"fonts": [{"name": "Arial"},'
echo '  {"name": "Gill Sans"}]}'
)");
    const QString deck = QDir(m_folder.path()).filePath(u"My Talk (final).pptx"_s);
    QFile(deck).open(QIODevice::WriteOnly);
    QCOMPARE(MetadataQuery(tool).metadataFonts(deck), (QStringList{u"Arial"_s, u"Gill Sans"_s}));

    // A long answer is read while the tool writes it; past the number of names any deck has, it is cut.
    const QString chatty = script(u"chatty"_s, R"(echo '{"fonts": ['
i=0; while [ $i -lt 12000 ]; do echo "{\"name\": \"Font Number $i\"},"; i=$((i+1)); done
echo '{"name": "Last"}]}'
)");
    const MetadataAnswer many = MetadataQuery(chatty).query(deck);
    QCOMPARE(many.fonts.size(), 10000);
    QCOMPARE(many.notes, QStringList{u"stopped at 10000 font names: 2001 more are not listed"_s});
}

void MetadataQueryTest::toolThatMisbehaves()
{
    const QString deck = QDir(m_folder.path()).filePath(u"deck.ppt"_s);
    QCOMPARE(MetadataQuery().query(deck).notes, QStringList());
    QVERIFY(MetadataQuery(QDir(m_folder.path()).filePath(u"absent"_s)).metadataFonts(deck).isEmpty());

    // A tool that never ends, or never stops talking, is stopped; a half answer is not trusted.
    const QString stuck = script(u"stuck"_s, "echo '{\"fonts\": [{\"name\": \"Arial\"}]}'\nexec sleep 600\n");
    QVERIFY(MetadataQuery(stuck, {300ms, 1 << 20}).metadataFonts(deck).isEmpty());
    const QString endless = script(u"endless"_s, "echo '{\"fonts\": ['\nexec yes '{\"name\": \"Arial\"},'\n");
    QVERIFY(MetadataQuery(endless, {60s, 1 << 20}).metadataFonts(deck).isEmpty());
    // The exit status plays no part.
    const QString failing = script(u"failing"_s, "echo '{\"fonts\": [{\"name\": \"Arial\"}]}'\nexit 3\n");
    QCOMPARE(MetadataQuery(failing).metadataFonts(deck), QStringList{u"Arial"_s});
}

void MetadataQueryTest::findingTheHelper()
{
    const QDir folder(m_folder.path());
    QVERIFY(folder.mkpath(u"prefix/bin"_s) && folder.mkpath(u"prefix/lib/kernwick"_s) &&
            folder.mkpath(u"configured"_s));
    const auto locate = [&folder] {
        return MetadataQuery::locateHelper(folder.filePath(u"prefix/bin"_s), u"../lib/kernwick"_s,
                                           folder.filePath(u"configured"_s));
    };
    QCOMPARE(locate(), QString());
    const QString configured = script(u"configured/kernwick-fontmeta"_s, "exit 0\n");
    QCOMPARE(locate(), configured);
    const QString moved = script(u"prefix/lib/kernwick/kernwick-fontmeta"_s, "exit 0\n");
    QCOMPARE(QFileInfo(locate()).canonicalFilePath(), QFileInfo(moved).canonicalFilePath());
    const QString beside = script(u"prefix/bin/kernwick-fontmeta"_s, "exit 0\n");
    QCOMPARE(locate(), beside);
}

QTEST_GUILESS_MAIN(MetadataQueryTest)
#include "tst_metadataquery.moc"
