#include "mainwin/core/MainTimers.h"

namespace fumibako::mainwin {

MainTimers::MainTimers(QObject* parent) : QObject(parent)
{
    m_unread.setInterval(kUnreadIntervalMs);
    m_autoReceive.setInterval(kAutoReceiveIntervalMs);
    connect(&m_unread, &QTimer::timeout, this, &MainTimers::unreadTick);
    connect(&m_autoReceive, &QTimer::timeout, this, &MainTimers::autoReceiveTick);
}

void MainTimers::startUnreadTimer()
{
    m_unread.start();
}

void MainTimers::stopUnreadTimer()
{
    m_unread.stop();
}

void MainTimers::armAutoReceive(bool autoReceive)
{
    m_counter.reset();
    if (autoReceive)
        m_autoReceive.start();
    else
        m_autoReceive.stop();
}

void MainTimers::disarmAutoReceive()
{
    m_counter.reset();
    m_autoReceive.stop();
}

void MainTimers::autoReceiveTick()
{
    Q_EMIT autoReceiveMinute();
}

} // namespace fumibako::mainwin
