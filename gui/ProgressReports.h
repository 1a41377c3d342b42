#pragma once
// Progress reports from another process. On Windows they arrive as the
// copy-data message to the main window (the window handles that itself); on
// other systems through a local socket named after the program and the user,
// which carries the same payload: a decimal number as NUL-terminated text.
// A client may send several reports on one connection, each ended by NUL; a
// text that ends with the connection counts too.
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace kerfmax::gui {

// "kerfmax-<user>".
QString ProgressReportServerName();

class ProgressReportServer : public QObject {
    Q_OBJECT
public:
    explicit ProgressReportServer(QObject* parent = nullptr);
    ~ProgressReportServer() override;

    // Listens under name, only for this user. A name left behind by a program
    // that is gone is taken over; one that a running window holds is not.
    bool Listen(const QString& name);
    QString FullServerName() const;

signals:
    void reported(const QString& text);

private:
    void Accept();
    void Read(QLocalSocket* socket);

    QLocalServer* m_server;
};

// Sends one report to a running window (for tests and tools).
bool SendProgressReport(const QString& serverName, const QByteArray& text, int timeoutMs = 2000);

}  // namespace kerfmax::gui
