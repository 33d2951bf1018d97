#include "colorschemeportal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settingsInterface = u"org.freedesktop.portal.Settings"_s;
const QString appearanceGroup = u"org.freedesktop.appearance"_s;
const QString colorSchemeKey = u"color-scheme"_s;
constexpr uint preferDark = 1;

// Read answers with the value wrapped in one more variant than ReadOne does; take off every layer.
QVariant unwrap(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        QDBusVariant inner;
        value.value<QDBusArgument>() >> inner;
        return unwrap(inner.variant());
    }
    return value;
}
} // namespace

ColorSchemePortal::ColorSchemePortal(QDBusConnection connection, QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{
    if (!m_connection.isConnected())
        return;
    m_connection.connect(portalService, portalPath, settingsInterface, u"SettingChanged"_s, this,
                         SLOT(settingChanged(QDBusMessage)));
    read(u"ReadOne"_s);
}

void ColorSchemePortal::read(const QString &method)
{
    // Asked without waiting, so that a slow portal never holds up the window; the answer arrives as a
    // change.
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    call << appearanceGroup << colorSchemeKey;
    auto *watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, method] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            update(reply.arguments().first());
        else if (method == u"ReadOne") // older portals only have Read
            read(u"Read"_s);
    });
}

void ColorSchemePortal::settingChanged(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() == 3 && arguments[0].toString() == appearanceGroup &&
        arguments[1].toString() == colorSchemeKey)
        update(arguments[2]);
}

void ColorSchemePortal::update(const QVariant &value)
{
    const bool dark = unwrap(value).toUInt() == preferDark;
    if (std::exchange(m_prefersDark, dark) != dark)
        Q_EMIT prefersDarkChanged(dark);
}

} // namespace kernwick
