#pragma once

#include <platform/fontfile.h>

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct _FcConfig;

namespace kernwick {

// What fontconfig knew about the installed fonts at one moment: every face with its names and style, and
// fontconfig's own rules on which families share metrics. Never a substitute: which face a name stands
// for is the resolver's to tell.
class FontCatalog final
{
public:
    struct Face
    {
        QString file;
        QString postScriptName;
        QStringList fullNames; // in every language the font gives
        QStringList families;
        QStringList styles; // "Bold Italic", "Condensed ExtraBold", in every language the font gives
        int weight = 0;
        int slant = 0;
        int width = 100;
        int index = 0;
    };

    // The families that fontconfig's alias rules bind to a family as having the same metrics.
    using MetricAliases = std::function<QStringList(const QString &family)>;

    explicit FontCatalog(QList<Face> faces, MetricAliases metricAliases = {});

    // Every face, in the catalog's stable order (file, then index).
    const QList<Face> &faces() const { return m_faces; }
    // The faces that fontconfig lists under `family`, compared without regard to case.
    QList<const Face *> facesOfFamily(const QString &family) const;
    // The installed families that fontconfig's alias rules bind to `family` with the same metrics, the
    // family itself left out, in the rules' order.
    QStringList metricTwins(const QString &family) const;
    // What the face's file says about itself, read on first use and kept with this catalog.
    FontFileFace fileFace(const Face &face) const;

    qsizetype faceCount() const { return m_faceCount; }

private:
    QList<Face> m_faces;
    QHash<QString, QList<qsizetype>> m_facesByFoldedFamily;
    qsizetype m_faceCount = 0;
    MetricAliases m_metricAliases;
    mutable QMutex m_fileFacesLock; // guards both caches
    mutable QHash<qsizetype, FontFileFace> m_fileFaces;
    mutable QHash<QString, QStringList> m_metricTwins; // asked once per family and catalog
};

// The installed fonts as fontconfig sees them under its usual configuration (FONTCONFIG_FILE and the
// rest honoured). Fontconfig loads its font list once; this source looks again whenever a font folder
// has changed since, so that a font installed while Kernwick runs is found by the next look-up.
// The configuration loads when the source is made; the catalog, on the first look, so that a window can
// have its text laid out while a worker makes it.
class FontconfigFontSource final
{
public:
    FontconfigFontSource();
    ~FontconfigFontSource();
    Q_DISABLE_COPY_MOVE(FontconfigFontSource)

    // The catalog as of now; the same object as last time while no font folder has changed.
    std::shared_ptr<const FontCatalog> snapshot();
    // Makes the configuration loaded here fontconfig's current one, which the application's own font
    // database (Qt's) then takes instead of loading the configuration a second time. Both only read it;
    // each holds a reference of its own, so that neither frees it under the other, and a font change
    // makes this source load a configuration of its own again, never rebuild the shared one.
    void shareAsCurrent();

private:
    void loadConfiguration();
    std::shared_ptr<const FontCatalog> makeCatalog() const;

    std::shared_ptr<_FcConfig> m_config;
    QByteArray m_folderState;
    std::shared_ptr<const FontCatalog> m_catalog; // made on the first look after a load
};

} // namespace kernwick
