#include "gui/single_instance.h"

#include <unistd.h>

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

namespace ostinel::gui {

namespace {

constexpr int kHandOverTimeoutMs = 2000;

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

QString SingleInstance::NameForUser() {
    return QStringLiteral("ostinel-%1").arg(getuid());
}

bool SingleInstance::HandToRunningCopy(const QString& commandLine) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kHandOverTimeoutMs)) return false;
    // The running copy works in its own folder: a file named here is this
    // start's, so it travels whole. A line with blanks is refused there anyway.
    QString text = commandLine.trimmed();
    if (!text.isEmpty() && !text.contains(QChar(' ')) && !text.contains(QChar('\t')))
        text = QFileInfo(text).absoluteFilePath();
    // The text travels as UTF-8 and ends where the connection closes.
    socket.write(text.toUtf8());
    socket.flush();
    socket.waitForBytesWritten(kHandOverTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kHandOverTimeoutMs);
    return true;
}

bool SingleInstance::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // A copy that crashed leaves its socket file behind.
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_)) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            auto text = std::make_shared<QByteArray>();
            connect(client, &QLocalSocket::readyRead, client,
                    [client, text] { text->append(client->readAll()); });
            connect(client, &QLocalSocket::disconnected, this, [this, client, text] {
                text->append(client->readAll());
                emit commandLineReceived(QString::fromUtf8(*text));
                client->deleteLater();
            });
        }
    });
    return true;
}

}  // namespace ostinel::gui
