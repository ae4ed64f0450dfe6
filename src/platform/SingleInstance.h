#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace fumibako::platform {

/** The local socket name through which the instances of one user find each other. */
QString singleInstanceSocketName();

/**
 * @short Makes sure only one instance runs for the user.
 *
 * The first instance listens on a per-user local socket; a later one connects, hands over its
 * message (its command line) and ends. The running instance gets messageReceived() and raises
 * its window.
 */
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& socketName = singleInstanceSocketName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    /**
     * True when no other instance runs: this one now listens. False when another one runs;
     * @p message was then handed to it (best effort).
     */
    bool claim(const QString& message);

Q_SIGNALS:
    void messageReceived(const QString& message);

private:
    bool sendToRunning(const QString& message);
    void readConnection();

    QString m_socketName;
    QLocalServer* m_server = nullptr;
};

} // namespace fumibako::platform
