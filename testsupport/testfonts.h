#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace kernwick::test {

// A private fontconfig world for one test program: a home folder with a user font folder (installed
// fonts), Debian's DejaVu folder under /usr/share/fonts (system fonts) and an Adobe-synced folder, with a
// cache of its own, and Debian's rules for metric-compatible families. Constructing it points
// FONTCONFIG_FILE, HOME, XDG_CACHE_HOME and XDG_DATA_HOME (whose fonts folder is the user font folder) of
// this process at it; do that before fontconfig is first asked.
class TestFonts final
{
public:
    TestFonts();
    Q_DISABLE_COPY_MOVE(TestFonts)

    bool isValid() const { return m_valid; }
    QString homeFolder() const { return m_root.filePath(QStringLiteral("home")); }
    QString userFontFolder() const { return homeFolder() + QStringLiteral("/.local/share/fonts"); }
    QString adobeFontFolder() const
    {
        return homeFolder() +
               QStringLiteral("/Library/Application Support/Adobe/CoreSync/plugins/livetype/r");
    }
    static QString systemFontFolder() { return QStringLiteral("/usr/share/fonts/truetype/dejavu"); }
    // The environment that makes a child process see the same fonts.
    QProcessEnvironment environment() const;

    // Copies one of Debian's Liberation fonts (e.g. "LiberationSans-Bold.ttf") into `folder`.
    static bool copyLiberationFont(const QString &fileName, const QString &folder);
    // Copies any font file into `folder`.
    static bool copyFontFile(const QString &path, const QString &folder);

private:
    QTemporaryDir m_root;
    bool m_valid = false;
};

} // namespace kernwick::test
