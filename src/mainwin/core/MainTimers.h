#pragma once

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

    /** Arms automatic receiving when @p autoReceive is on, every @p minutes minutes; else disarms. */
    void armAutoReceive(bool autoReceive, int minutes);
    void disarmAutoReceive();
    bool isAutoReceiveArmed() const { return m_autoReceive.isActive(); }
    int minuteCount() const { return m_minutes; }

public Q_SLOTS:
    /** One minute passed: counts it and asks for a receive when the interval is reached. */
    void autoReceiveTick();

Q_SIGNALS:
    /** The selected unread message's timer ticked (MailFolderView::unreadTimerTick). */
    void unreadTick();
    /** The automatic-receive interval has passed. */
    void autoReceiveDue();

private:
    QTimer m_unread;
    QTimer m_autoReceive;
    int m_minutes = 0;
    int m_interval = 3;
};

} // namespace fumibako::mainwin
