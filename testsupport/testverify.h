#pragma once

#include <QDir>
#include <QTest>

// Verifies that `text` holds `part`, and shows the whole text when it does not.
#define KERNWICK_VERIFY_CONTAINS(text, part) QVERIFY2((text).contains(part), qPrintable(text))

namespace kernwick::test {

#ifdef KERNWICK_FIXTURES_DIR
// A document of the shared test data, by its path under testdata/.
inline QString fixture(const QString &relative)
{
    return QDir(QStringLiteral(KERNWICK_FIXTURES_DIR)).filePath(relative);
}
#endif

} // namespace kernwick::test
