#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace kernwick {

// One running copy per user. The first copy listens on a socket of the user's own; a later launch hands
// it the files it was given and ends.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    // `name` tells programs apart; the socket lives in the user's runtime folder.
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Hands `files` to a copy already running and returns true, or becomes the running copy and returns
    // false.
    bool forwardToRunningCopy(const QStringList &files);

    QString socketPath() const { return m_socketPath; }

Q_SIGNALS:
    // Another launch asked the running copy to come to the front, with the files it was given.
    void activationRequested(const QStringList &files);

private:
    bool listen();

    QString m_socketPath;
    QLocalServer *m_server = nullptr;
};

} // namespace kernwick
