#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct _FcConfig;

namespace kernwick {

// What fontconfig knew about the installed fonts at one moment: name look-ups that answer only for a
// font really known under that name (never a substitute), and the list of every font's PostScript name.
class FontCatalog final
{
public:
    struct Face
    {
        QString file;
        QString postScriptName;
        QStringList fullNames;
        QStringList families;
        int weight = 0;
        int slant = 0;
        int width = 100;
        int index = 0;
    };

    explicit FontCatalog(QList<Face> faces);

    // The file of the font known under `name`: an exact PostScript name first, then an exact full name,
    // then an exact family name, whose regular face is preferred.
    std::optional<QString> fileForName(const QString &name) const;

    // Every installed font's PostScript name, once each, in code-point order.
    const QStringList &postScriptNames() const { return m_postScriptNames; }

    qsizetype faceCount() const { return m_faceCount; }

private:
    QHash<QString, QString> m_fileByPostScriptName;
    QHash<QString, QString> m_fileByFullName;
    QHash<QString, QString> m_fileByFamily;
    QStringList m_postScriptNames;
    qsizetype m_faceCount = 0;
};

// The installed fonts as fontconfig sees them under its usual configuration (FONTCONFIG_FILE and the
// rest honoured). Fontconfig loads its font list once; this source looks again whenever a font folder
// has changed since, so that a font installed while Kernwick runs is found by the next look-up.
class FontconfigFontSource final
{
public:
    FontconfigFontSource();
    ~FontconfigFontSource();
    Q_DISABLE_COPY_MOVE(FontconfigFontSource)

    // The catalog as of now; the same object as last time while no font folder has changed.
    std::shared_ptr<const FontCatalog> snapshot();

private:
    void reload();

    _FcConfig *m_config = nullptr;
    QByteArray m_folderState;
    std::shared_ptr<const FontCatalog> m_catalog;
};

} // namespace kernwick
