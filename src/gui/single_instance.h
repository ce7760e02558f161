#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace ostinel::gui {

// One running copy per user. A second start hands its command line to the
// running copy through a local socket and ends.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // `name` identifies the user's copy (the socket's name).
    explicit SingleInstance(QString name, QObject* parent = nullptr);

    // True when a running copy took `commandLine`; this copy should end.
    bool HandToRunningCopy(const QString& commandLine);
    // Becomes the running copy: listens for later starts. False when the
    // socket cannot be made (the program then runs on its own).
    bool Listen();

    // The socket name for this user.
    static QString NameForUser();

  signals:
    void commandLineReceived(const QString& commandLine);

  private:
    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace ostinel::gui
