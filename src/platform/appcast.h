#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

namespace kernwick {

// One release in an update feed: the RSS "appcast" that desktop updaters read, whose items carry a
// version, a version string for people, a link to release notes and the download as an enclosure.
struct AppcastItem
{
    QString title;
    QString version;            // compared with the running version
    QString shortVersionString; // shown to people; the version when the feed gives none
    QUrl releaseNotesLink;
    QUrl downloadUrl;
};

// The items of a feed, in feed order, or nothing when the text is not such a feed. Items without a
// version are left out.
std::optional<QList<AppcastItem>> parseAppcast(const QByteArray &feed);

// Orders version texts as updaters do: runs of digits compare as numbers, other runs as text, so that
// "1.10" follows "1.9" and "2.0b1" comes before "2.0". Negative, zero or positive, like strcmp.
int compareVersions(const QString &a, const QString &b);

// The newest item whose version is above `currentVersion`, or nothing.
std::optional<AppcastItem> newestUpdate(const QList<AppcastItem> &items, const QString &currentVersion);

} // namespace kernwick

Q_DECLARE_METATYPE(kernwick::AppcastItem)
