#include "portalfilechooser.h"

#include <platform/filenamealiases.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

using namespace Qt::StringLiterals;

// One file filter of the portal, a(sa(us)) on the bus: a name and its patterns, each a kind (0: a glob)
// and the pattern.
namespace kernwick::portal {
struct Pattern
{
    uint kind = 0;
    QString glob;
};
struct Filter
{
    QString name;
    QList<Pattern> patterns;
};
} // namespace kernwick::portal

Q_DECLARE_METATYPE(kernwick::portal::Pattern)
Q_DECLARE_METATYPE(kernwick::portal::Filter)

namespace kernwick::portal {

QDBusArgument &operator<<(QDBusArgument &argument, const Pattern &pattern)
{
    argument.beginStructure();
    argument << pattern.kind << pattern.glob;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Pattern &pattern)
{
    argument.beginStructure();
    argument >> pattern.kind >> pattern.glob;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const Filter &filter)
{
    argument.beginStructure();
    argument << filter.name << filter.patterns;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Filter &filter)
{
    argument.beginStructure();
    argument >> filter.name >> filter.patterns;
    argument.endStructure();
    return argument;
}

} // namespace kernwick::portal

namespace kernwick {

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString chooserInterface = u"org.freedesktop.portal.FileChooser"_s;

// Keeps the person's clicks and keys away from the window while the portal's dialog is open.
class InputBlocker final : public QObject
{
public:
    explicit InputBlocker(QWidget *window)
        : m_window(window)
    {
        qApp->installEventFilter(this);
    }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Drop:
            return m_window && watched->isWidgetType() &&
                   static_cast<QWidget *>(watched)->window() == m_window->window();
        default:
            return false;
        }
    }

private:
    QWidget *m_window;
};

} // namespace

// Waits for the one Response of a portal request.
class PortalResponse final : public QObject
{
    Q_OBJECT

public:
    bool received = false;
    uint code = 2;
    QVariantMap results;

Q_SIGNALS:
    void finished();

public Q_SLOTS:
    void response(uint responseCode, const QVariantMap &responseResults)
    {
        if (received)
            return;
        received = true;
        code = responseCode;
        results = responseResults;
        Q_EMIT finished();
    }
};

PortalFileChooser::PortalFileChooser(QDBusConnection connection, FileChooser &fallback, QWidget *window,
                                     FileNameAliases *aliases)
    : m_connection(std::move(connection))
    , m_fallback(fallback)
    , m_window(window)
    , m_aliases(aliases)
{
    qDBusRegisterMetaType<portal::Pattern>();
    qDBusRegisterMetaType<QList<portal::Pattern>>();
    qDBusRegisterMetaType<portal::Filter>();
    qDBusRegisterMetaType<QList<portal::Filter>>();
}

bool PortalFileChooser::isPortalAvailable() const
{
    if (!m_connection.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(portalService, portalPath,
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << chooserInterface << u"version"_s;
    const QDBusMessage reply = m_connection.call(get, QDBus::BlockWithGui, 2000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString PortalFileChooser::enclosingPackage(const QString &path)
{
    for (QFileInfo folder(QFileInfo(path).absolutePath()); !folder.isRoot();
         folder.setFile(folder.absolutePath())) {
        if (folder.fileName().endsWith(u".key"_s, Qt::CaseInsensitive) && folder.isDir())
            return folder.absoluteFilePath();
    }
    return path;
}

PortalFileChooser::Answer PortalFileChooser::ask(const QString &title, QVariantMap options)
{
    if (!isPortalAvailable())
        return {};
    // The request's object path is known before the call, so that its answer cannot come before the
    // wait for it starts.
    const QString token = u"kernwick"_s + QString::number(++m_requests);
    options.insert(u"handle_token"_s, token);
    options.insert(u"modal"_s, true);
    QString sender = m_connection.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString expected = portalPath + u"/request/"_s + sender + u'/' + token;
    PortalResponse response;
    const auto listen = [&](const QString &path) {
        m_connection.connect(portalService, path, u"org.freedesktop.portal.Request"_s, u"Response"_s,
                             &response, SLOT(response(uint, QVariantMap)));
    };
    listen(expected);

    QString parentWindow;
    if (m_window && QGuiApplication::platformName() == u"xcb")
        parentWindow = u"x11:"_s + QString::number(m_window->window()->winId(), 16);
    QDBusMessage call =
        QDBusMessage::createMethodCall(portalService, portalPath, chooserInterface, u"OpenFile"_s);
    call << parentWindow << title << options;
    const QDBusReply<QDBusObjectPath> handle = m_connection.call(call, QDBus::BlockWithGui, 10'000);
    if (!handle.isValid())
        return {};
    if (handle.value().path() != expected)
        listen(handle.value().path());

    if (!response.received) {
        const InputBlocker blocker(m_window);
        QEventLoop loop;
        QObject::connect(&response, &PortalResponse::finished, &loop, &QEventLoop::quit);
        // A portal that goes away while its dialog is open leaves nothing to wait for.
        QObject::connect(m_connection.interface(), &QDBusConnectionInterface::serviceUnregistered, &loop,
                         [&loop](const QString &service) {
                             if (service == portalService)
                                 loop.quit();
                         });
        loop.exec();
    }
    if (!response.received || response.code == 2)
        return {};
    Answer answer{true, {}};
    if (response.code != 0)
        return answer;
    QVariant uris = response.results.value(u"uris"_s);
    QStringList texts = uris.toStringList();
    if (uris.userType() == qMetaTypeId<QDBusArgument>())
        uris.value<QDBusArgument>() >> texts;
    for (const QString &uri : texts) {
        const QUrl url(uri);
        if (url.isLocalFile()) {
            const QString path = m_aliases ? m_aliases->pathForUrl(url) : QString();
            answer.files.append(path.isEmpty() ? url.toLocalFile() : path);
        }
    }
    return answer;
}

std::optional<QString> PortalFileChooser::chooseFile(const QString &prompt, const QString &message)
{
    auto globs = [](const QStringList &patterns) {
        QList<portal::Pattern> list;
        for (const QString &pattern : patterns)
            list.append({0, pattern});
        return list;
    };
    const QList<portal::Filter> filters = {
        {u"Presentations"_s, globs({u"*.[kK][eE][yY]"_s, u"*.[pP][pP][tT][xX]"_s, u"*.[pP][pP][tT]"_s})},
        {u"All files"_s, globs({u"*"_s})},
    };
    const Answer answer = ask(
        message,
        {{u"accept_label"_s, prompt}, {u"multiple"_s, false}, {u"filters"_s, QVariant::fromValue(filters)}});
    if (!answer.answered)
        return m_fallback.chooseFile(prompt, message);
    if (answer.files.isEmpty())
        return std::nullopt;
    return enclosingPackage(answer.files.first());
}

std::optional<QString> PortalFileChooser::chooseFolder(const QString &prompt, const QString &message,
                                                       const QString &startFolder)
{
    QVariantMap options{{u"accept_label"_s, prompt}, {u"multiple"_s, false}, {u"directory"_s, true}};
    if (QFileInfo(startFolder).isDir())
        options.insert(u"current_folder"_s,
                       QByteArray(QFile::encodeName(QDir(startFolder).absolutePath()) + '\0'));
    const Answer answer = ask(message, options);
    if (!answer.answered)
        return m_fallback.chooseFolder(prompt, message, startFolder);
    if (answer.files.isEmpty())
        return std::nullopt;
    return answer.files.first();
}

} // namespace kernwick

#include "portalfilechooser.moc"
