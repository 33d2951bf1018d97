#pragma once

#include <platform/appcast.h>

#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace kernwick {

// Asks an update feed whether a newer version than the running one exists. Without a feed address, it
// says that updates come from the system's package manager.
class UpdateChecker final : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        upToDate,
        updateAvailable,
        noFeed,
        brokenFeed,
        unreachable
    };
    Q_ENUM(Outcome)

    UpdateChecker(QUrl feed, QString currentVersion, QObject *parent = nullptr);

    // Starts a check; finished() follows, also when there is no feed.
    void checkForUpdates();
    bool isChecking() const { return m_reply != nullptr; }
    const QUrl &feed() const { return m_feed; }
    const QString &currentVersion() const { return m_currentVersion; }

Q_SIGNALS:
    // `update` is set for updateAvailable; `error` describes brokenFeed and unreachable.
    void finished(kernwick::UpdateChecker::Outcome outcome, const kernwick::AppcastItem &update,
                  const QString &error);

private:
    void replyFinished();

    QUrl m_feed;
    QString m_currentVersion;
    QNetworkAccessManager *m_network;
    QNetworkReply *m_reply = nullptr;
};

} // namespace kernwick
