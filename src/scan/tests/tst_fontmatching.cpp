#include <scan/fontmatching.h>

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kernwick;

class FontMatchingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void latinPassAgreesWithThePattern_data();
    void latinPassAgreesWithThePattern();
    void latinPassAgreesOnRandomText();
};

namespace {
QSet<QString> byPattern(const QString &text)
{
    ScanCollector collected;
    collectFontMatches(text, fontPattern(uR"re(<a:latin[^>]*typeface=\"([^^\"]+)\")re"_s),
                       CaptureGroups::first, collected);
    return collected.names();
}

QSet<QString> byPass(const QString &text)
{
    ScanCollector collected;
    collectLatinTypefaces(text, collected);
    return collected.names();
}
} // namespace

void FontMatchingTest::latinPassAgreesWithThePattern_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << uR"(<a:latin typeface="Arial" pitchFamily="34"/>)"_s;
    QTest::newRow("last attribute before the bracket wins")
        << uR"(<a:latin typeface="First" typeface="Second"/>)"_s;
    QTest::newRow("a later value that cannot close") << uR"(<a:latin typeface="Good" typeface="Ba^d"/>)"_s;
    QTest::newRow("value runs over a bracket") << uR"(<a:latin typeface="A>B"/>)"_s;
    QTest::newRow("attribute after the bracket") << uR"(<a:latin><x typeface="Late"/>)"_s;
    QTest::newRow("empty value") << uR"(<a:latin typeface=""/><a:latin typeface="Next"/>)"_s;
    QTest::newRow("nested starts") << uR"(<a:latin <a:latin typeface="Inner"/>)"_s;
    QTest::newRow("no closing quote") << uR"(<a:latin typeface="Open)"_s;
    QTest::newRow("element name prefix") << uR"(<a:latinx typeface="Prefix"/>)"_s;
    QTest::newRow("line breaks") << u"<a:latin\r\n typeface=\"Multi\nLine\"/>"_s;
    QTest::newRow("text ends in the run") << u"<a:latin typeface"_s;
}

void FontMatchingTest::latinPassAgreesWithThePattern()
{
    QFETCH(QString, text);
    QCOMPARE(byPass(text), byPattern(text));
}

void FontMatchingTest::latinPassAgreesOnRandomText()
{
    // Texts made of the pieces that matter, in every order: the pass must find what the pattern finds.
    const QStringList pieces = {u"<a:latin"_s, u" typeface=\""_s, u"typeface="_s, u"\""_s, u"^"_s, u">"_s,
                                u"/>"_s,       u"Name"_s,         u" "_s,         u"\n"_s, u"<"_s, u"x"_s};
    QRandomGenerator random(20261206);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int count = random.bounded(1, 40);
        for (int i = 0; i < count; ++i)
            text += pieces[random.bounded(qsizetype(pieces.size()))];
        const QSet<QString> expected = byPattern(text);
        if (byPass(text) != expected)
            QFAIL(qPrintable(u"differs on: "_s + text));
    }
}

QTEST_GUILESS_MAIN(FontMatchingTest)
#include "tst_fontmatching.moc"
