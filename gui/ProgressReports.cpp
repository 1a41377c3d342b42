#include "gui/ProgressReports.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

namespace kerfmax::gui {

namespace {

constexpr int kProbeTimeoutMs = 200;
constexpr qsizetype kMaxReportBytes = 64;  // a decimal number; more is not a report

QString UserName()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty()) name = qEnvironmentVariable("USERNAME");
    if (name.isEmpty()) name = QStringLiteral("user");
    return name;
}

}  // namespace

QString ProgressReportServerName()
{
    return QStringLiteral("kerfmax-") + UserName();
}

ProgressReportServer::ProgressReportServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &ProgressReportServer::Accept);
}

ProgressReportServer::~ProgressReportServer() = default;

bool ProgressReportServer::Listen(const QString& name)
{
    // Someone answers: another window of this user holds the name. (Listening
    // would replace its socket, since the socket is made apart and renamed.)
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(kProbeTimeoutMs)) return false;
    if (m_server->listen(name)) return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError) return false;
    // A name left behind by a window that is gone.
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

QString ProgressReportServer::FullServerName() const
{
    return m_server->fullServerName();
}

void ProgressReportServer::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        socket->setProperty("pending", QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            Read(socket);
            const QByteArray rest = socket->property("pending").toByteArray();
            if (!rest.isEmpty()) emit reported(QString::fromLatin1(rest));
            socket->deleteLater();
        });
        Read(socket);
    }
}

void ProgressReportServer::Read(QLocalSocket* socket)
{
    QByteArray pending = socket->property("pending").toByteArray() + socket->readAll();
    for (qsizetype end; (end = pending.indexOf('\0')) >= 0;) {
        emit reported(QString::fromLatin1(pending.left(end)));
        pending.remove(0, end + 1);
    }
    // A sender that never ends its text is cut off rather than buffered for ever.
    if (pending.size() > kMaxReportBytes) {
        pending.clear();
        socket->abort();
    }
    socket->setProperty("pending", pending);
}

bool SendProgressReport(const QString& serverName, const QByteArray& text, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(text);
    socket.write("", 1);
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return written;
}

}  // namespace kerfmax::gui
