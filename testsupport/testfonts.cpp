#include "testfonts.h"

#include "testzip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kernwick::test {

namespace {
const QString liberationFolder = u"/usr/share/fonts/truetype/liberation2"_s;
// Debian's rules that bind metric-compatible families to each other.
const QString metricAliases = u"/usr/share/fontconfig/conf.avail/30-metric-aliases.conf"_s;
} // namespace

TestFonts::TestFonts()
{
    if (!m_root.isValid())
        return;
    const QDir root(m_root.path());
    const QString cache = root.filePath(u"cache"_s);
    if (!QDir().mkpath(userFontFolder()) || !QDir().mkpath(adobeFontFolder()) || !QDir().mkpath(cache))
        return;
    for (const QString &font :
         {u"LiberationSans-Regular.ttf"_s, u"LiberationSans-Bold.ttf"_s, u"LiberationSans-BoldItalic.ttf"_s,
          u"LiberationSerif-Regular.ttf"_s, u"LiberationSerif-Italic.ttf"_s}) {
        if (!copyLiberationFont(font, userFontFolder()))
            return;
    }
    if (!copyLiberationFont(u"LiberationMono-Regular.ttf"_s, adobeFontFolder()))
        return;

    const QString config = root.filePath(u"fonts.conf"_s);
    const QString text =
        u"<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
        u"<fontconfig>\n  <dir>"_s +
        systemFontFolder() + u"</dir>\n  <dir>"_s + userFontFolder() + u"</dir>\n  <dir>"_s +
        adobeFontFolder() + u"</dir>\n  <cachedir>"_s + cache + u"</cachedir>\n"_s +
        u"  <include ignore_missing=\"yes\">"_s + metricAliases + u"</include>\n</fontconfig>\n"_s;
    if (!writeFile(config, text.toUtf8()))
        return;

    qputenv("FONTCONFIG_FILE", QFile::encodeName(config));
    qputenv("HOME", QFile::encodeName(homeFolder()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    // The user's data folder (fonts, Trash) is this world's, whatever the test runs under.
    qputenv("XDG_DATA_HOME", QFile::encodeName(homeFolder() + u"/.local/share"_s));
    m_valid = true;
}

QProcessEnvironment TestFonts::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"FONTCONFIG_FILE", "HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    return environment;
}

bool TestFonts::copyLiberationFont(const QString &fileName, const QString &folder)
{
    return copyFontFile(QDir(liberationFolder).filePath(fileName), folder);
}

bool TestFonts::copyFontFile(const QString &path, const QString &folder)
{
    return QFile::copy(path, QDir(folder).filePath(QFileInfo(path).fileName()));
}

} // namespace kernwick::test
