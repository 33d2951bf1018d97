#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

namespace kernwick {

// The desktop's light or dark preference, as the desktop portal's Settings interface tells it
// (org.freedesktop.appearance color-scheme), followed live as the person changes it.
class ColorSchemePortal final : public QObject
{
    Q_OBJECT

public:
    explicit ColorSchemePortal(QDBusConnection connection, QObject *parent = nullptr);

    // The desktop prefers dark; false when it prefers light, has no preference or cannot be asked, and
    // until its answer has come.
    bool prefersDark() const { return m_prefersDark; }

Q_SIGNALS:
    void prefersDarkChanged(bool prefersDark);

private Q_SLOTS:
    void settingChanged(const QDBusMessage &message);

private:
    void read(const QString &method);
    void update(const QVariant &value);

    QDBusConnection m_connection;
    bool m_prefersDark = false;
};

} // namespace kernwick
