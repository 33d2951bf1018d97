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

    QTest::newRow("names") << QByteArray(
                                  "kMDItemFonts = (\n    \"Arial\",\n    \"Gill Sans\",\n    Calibri\n)\n")
                           << QStringList{u"Arial"_s, u"Gill Sans"_s, u"Calibri"_s};
    QTest::newRow("no fonts") << QByteArray("kMDItemFonts = (null)\n") << QStringList();
    QTest::newRow("null beside names")
        << QByteArray("kMDItemFonts = (\n \"Arial\"\n)\nkMDItemFonts = (null)\n") << QStringList();
    QTest::newRow("nothing") << QByteArray() << QStringList();
    QTest::newRow("white space only") << QByteArray(" \n\t\r\n") << QStringList();
    QTest::newRow("same name twice") << QByteArray("kMDItemFonts = (\n \"Arial\",\n \"Arial\"\n)")
                                     << QStringList{u"Arial"_s, u"Arial"_s};
    QTest::newRow("comma splits a name") << QByteArray("kMDItemFonts = (\n    \"Bodoni 72, Book\"\n)")
                                         << QStringList{u"Bodoni 72"_s, u"Book"_s};
    QTest::newRow("quotes and parentheses removed")
        << QByteArray("kMDItemFonts = (\n    \"Font \\\"Q\\\" (Pro)\"\n)")
        << QStringList{u"Font \\Q\\ Pro"_s};
    QTest::newRow("null in any case, but not inside a name")
        << QByteArray("kMDItemFonts = (\n \"NULL\",\n \"null\",\n \"Null Sans\"\n)")
        << QStringList{u"Null Sans"_s};
    QTest::newRow("paths and presentation names dropped")
        << QByteArray(
               "kMDItemFonts = (\n \"/Users/x/Deck.key\",\n \"Report.pptx\",\n \"old.PPT\",\n \"Talk.Key\",\n"
               " \"Keynote\"\n)")
        << QStringList{u"Keynote"_s};
    QTest::newRow("a complaint about the file")
        << QByteArray("/tmp/Talk.pptx: could not find /tmp/Talk.pptx.\n") << QStringList();
    QTest::newRow("a complaint that reads like a name")
        << QByteArray("kernwick-fontmeta: cannot read file\n")
        << QStringList{u"kernwick-fontmeta: cannot read file"_s};
    QTest::newRow("localized names and no-break spaces")
        << QByteArray("kMDItemFonts = (\n \"ＭＳ Ｐゴシック\",\n \"\xc2\xa0맑은 고딕\xc2\xa0\"\n)")
        << QStringList{u"ＭＳ Ｐゴシック"_s, u"맑은 고딕"_s};
    QTest::newRow("not UTF-8") << QByteArray("kMDItemFonts = (\n \"Caf\xe9\"\n)") << QStringList();
}

void MetadataQueryTest::recordedAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, names);
    QCOMPARE(parseMetadataFontList(answer), names);
}

void MetadataQueryTest::askingTheTool()
{
    // The three arguments arrive as they are, the path with its spaces, and error text joins the answer.
    const QString tool = script(
        u"tool"_s, R"([ "$#" = 3 ] && [ "$1" = -name ] && [ "$2" = kMDItemFonts ] && [ -f "$3" ] || exit 1
echo 'kMDItemFonts = ('
echo '    "Arial",' >&2
echo '    "Gill Sans"'
echo ')'
)");
    const QString deck = QDir(m_folder.path()).filePath(u"My Talk (final).pptx"_s);
    QFile(deck).open(QIODevice::WriteOnly);
    QStringList names = MetadataQuery(tool).metadataFonts(deck);
    names.sort();
    QCOMPARE(names, (QStringList{u"Arial"_s, u"Gill Sans"_s}));

    // A long answer is read while the tool writes it; the tool never waits on a full pipe.
    const QString chatty = script(u"chatty"_s, R"(echo 'kMDItemFonts = ('
i=0; while [ $i -lt 40000 ]; do echo "    \"Font Number $i\","; i=$((i+1)); done
echo '    "Last"'
echo ')'
)");
    const QStringList many = MetadataQuery(chatty).metadataFonts(deck);
    QCOMPARE(many.size(), 40001);
    QCOMPARE(many.last(), u"Last"_s);
}

void MetadataQueryTest::toolThatMisbehaves()
{
    const QString deck = QDir(m_folder.path()).filePath(u"deck.ppt"_s);
    QVERIFY(MetadataQuery().metadataFonts(deck).isEmpty());
    QVERIFY(MetadataQuery(QDir(m_folder.path()).filePath(u"absent"_s)).metadataFonts(deck).isEmpty());

    // A tool that never ends, or never stops talking, is stopped; a half answer is not trusted.
    const QString stuck = script(u"stuck"_s, "echo 'kMDItemFonts = (\"Arial\"'\nexec sleep 600\n");
    QVERIFY(MetadataQuery(stuck, {300ms, 1 << 20}).metadataFonts(deck).isEmpty());
    const QString endless = script(u"endless"_s, "echo 'kMDItemFonts = ('\nexec yes '\"Arial\",'\n");
    QVERIFY(MetadataQuery(endless, {60s, 1 << 20}).metadataFonts(deck).isEmpty());
    // The exit status plays no part.
    const QString failing = script(u"failing"_s, "echo 'kMDItemFonts = (\"Arial\")'\nexit 3\n");
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
