#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <testsupport/testzip.h>

#include <algorithm>

// What the scanning tests share: decks built in a folder of their own, and a private temporary
// directory that every scan must leave as empty as it found it.
class ScanTestCase : public QObject
{
    Q_OBJECT

protected:
    ScanTestCase() { qputenv("TMPDIR", QFile::encodeName(m_scratch.path())); }

    QString deckPath(const QString &name) const { return QDir(m_decks.path()).filePath(name); }

    // A .pptx-like archive with the given members.
    QString makeArchive(const QString &name, const QList<std::pair<QString, QByteArray>> &members) const
    {
        const QString path = deckPath(name);
        kernwick::test::TestZip zip(path);
        for (const auto &[member, data] : members)
            zip.add(member, data);
        return zip.close() ? path : QString();
    }

    QStringList scratchEntries() const
    {
        return QDir(m_scratch.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    static QStringList sorted(QStringList names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

    static QString fixture(const QString &relativePath)
    {
        return QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(relativePath);
    }

protected Q_SLOTS:
    void cleanup() { QCOMPARE(scratchEntries(), QStringList()); }

private:
    QTemporaryDir m_decks;
    QTemporaryDir m_scratch;
};
