// The helper's answers as the scan reads them, the helper asked, and where-used as people read it.
#include <scan/fontusage.h>
#include <scan/metadataquery.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testzip.h>

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
    void answerCarriesUsage();
    void usageForPeople_data();
    void usageForPeople();

private:
    QString script(const QString &name, const QByteArray &body);
    QTemporaryDir m_folder;
};

QString MetadataQueryTest::script(const QString &name, const QByteArray &body)
{
    const QString path = QDir(m_folder.path()).filePath(name);
    if (!test::writeFile(path, "#!/bin/sh\n" + body))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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

void MetadataQueryTest::answerCarriesUsage()
{
    const MetadataAnswer answer = parseMetadataAnswer(
        R"({"fonts": [{"name": "Used", "places": ["slide 1"], "used": true, "usedIn": ["slide 1", "notes page 2"]},
                      {"name": "Ghost", "places": ["slide master 1"], "used": false, "usedIn": []},
                      {"name": "Somewhere", "places": ["font collection"], "used": true, "usedIn": null},
                      {"name": "Older\u0007Helper", "places": []}]})");
    QCOMPARE(answer.fonts.size(), 4);
    QCOMPARE(answer.fonts[0].usedIn, (QStringList{u"slide 1"_s, u"notes page 2"_s}));
    QVERIFY(answer.fonts[0].used && answer.fonts[0].usedInKnown);
    QVERIFY(!answer.fonts[1].used && answer.fonts[1].usedInKnown);
    QVERIFY(answer.fonts[2].used && !answer.fonts[2].usedInKnown);
    // An answer without the usage fields counts every font as used, places unknown.
    QCOMPARE(answer.fonts[3].name, u"Older Helper"_s);
    QVERIFY(answer.fonts[3].used && !answer.fonts[3].usedInKnown);
}

void MetadataQueryTest::usageForPeople_data()
{
    QTest::addColumn<FontUsage>("usage");
    QTest::addColumn<QString>("line");
    const auto slides = [](std::initializer_list<int> numbers) {
        QStringList places;
        for (const int number : numbers)
            places.append(u"slide %1"_s.arg(number));
        return places;
    };
    QTest::newRow("slides and notes")
        << FontUsage{{}, true, slides({7, 2, 5, 6}) + QStringList{u"notes page 3"_s}, true}
        << u"used on slides 2, 5–7 · notes page 3"_s;
    QTest::newRow("declared only, qualifiers dropped")
        << FontUsage{{u"slide master 1 (theme minor font)"_s, u"slide layout 2"_s,
                      u"slide layout 3 (theme minor font)"_s},
                     false,
                     {},
                     true}
        << u"not used by any text (slide master 1 · slide layouts 2–3)"_s;
    QTest::newRow("used, places unknown")
        << FontUsage{{u"font collection"_s}, true, {}, false} << u"used (places not known)"_s;
    QTest::newRow("nothing known") << FontUsage{} << QString();
    QTest::newRow("long, cut")
        << FontUsage{{},
                     true,
                     slides({1,  3,  5,  7,  9,  11, 13, 15, 17, 19, 21, 23, 25,
                             27, 29, 31, 33, 35, 37, 39, 41, 43, 45, 47, 49}),
                     true}
        << u"used on slides 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 4…"_s;
}

void MetadataQueryTest::usageForPeople()
{
    QFETCH(FontUsage, usage);
    QFETCH(QString, line);
    QCOMPARE(describeUsage(usage), line);
}

QTEST_GUILESS_MAIN(MetadataQueryTest)
#include "tst_metadataquery.moc"
