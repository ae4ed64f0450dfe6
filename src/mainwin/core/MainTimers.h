#pragma once

#include "transfer/AutoReceive.h"

#include <QObject>
#include <QTimer>

namespace fumibako::mainwin {

/**
 * @short The main window's two timers: automatic receiving (every 60 s) and marking the selected
 * unread message read (every second).
 *
 * The tick slots are public so tests can drive them without waiting.
 */
class MainTimers : public QObject {
    Q_OBJECT
public:
    static constexpr int kUnreadIntervalMs = 1000;
    static constexpr int kAutoReceiveIntervalMs = 60000;

    explicit MainTimers(QObject* parent = nullptr);

    void startUnreadTimer();
    void stopUnreadTimer();
    bool isUnreadTimerRunning() const { return m_unread.isActive(); }

    /** Arms the minute timer when @p autoReceive is on, else stops it; the minute count starts at 0. */
    void armAutoReceive(bool autoReceive);
    void disarmAutoReceive();
    bool isAutoReceiveArmed() const { return m_autoReceive.isActive(); }
    /** The minute counter; its tick decides, with the account's settings, when to receive. */
    transfer::AutoReceiveCounter& counter() { return m_counter; }

public Q_SLOTS:
    /** One minute of the armed timer passed. */
    void autoReceiveTick();

Q_SIGNALS:
    /** The selected unread message's timer ticked (MailFolderView::unreadTimerTick). */
    void unreadTick();
    /** A minute of the armed automatic-receive timer passed. */
    void autoReceiveMinute();

private:
    QTimer m_unread;
    QTimer m_autoReceive;
    transfer::AutoReceiveCounter m_counter;
};

} // namespace fumibako::mainwin
