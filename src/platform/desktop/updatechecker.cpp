#include "updatechecker.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
constexpr int transferTimeoutMs = 20'000;
constexpr qint64 maxFeedSize = qint64(4) << 20;
} // namespace

UpdateChecker::UpdateChecker(QUrl feed, QString currentVersion, QObject *parent)
    : QObject(parent)
    , m_feed(std::move(feed))
    , m_currentVersion(std::move(currentVersion))
    , m_network(new QNetworkAccessManager(this))
{}

void UpdateChecker::checkForUpdates()
{
    if (m_reply)
        return;
    if (!m_feed.isValid() || m_feed.isEmpty()) {
        QTimer::singleShot(0, this, [this] { Q_EMIT finished(Outcome::noFeed, {}, {}); });
        return;
    }
    QNetworkRequest request(m_feed);
    request.setTransferTimeout(transferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, QString(u"Kernwick/"_s + m_currentVersion));
    m_reply = m_network->get(request);
    // A feed is small; anything that goes on and on is not one.
    connect(m_reply, &QNetworkReply::downloadProgress, m_reply, [reply = m_reply](qint64 received, qint64) {
        if (received > maxFeedSize)
            reply->abort();
    });
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::replyFinished);
}

void UpdateChecker::replyFinished()
{
    QNetworkReply *reply = std::exchange(m_reply, nullptr);
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        Q_EMIT finished(Outcome::unreachable, {}, reply->errorString());
        return;
    }
    const auto items = parseAppcast(reply->readAll());
    if (!items) {
        Q_EMIT finished(Outcome::brokenFeed, {}, u"The update feed could not be read."_s);
        return;
    }
    if (const auto update = newestUpdate(*items, m_currentVersion))
        Q_EMIT finished(Outcome::updateAvailable, *update, {});
    else
        Q_EMIT finished(Outcome::upToDate, {}, {});
}

} // namespace kernwick
