#include "mainwin/core/MainTimers.h"

#include <algorithm>

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

void MainTimers::armAutoReceive(bool autoReceive, int minutes)
{
    m_minutes = 0;
    // "AutoPOPTime" is 1-60; a stored value outside that range must not mean "never" or "always".
    m_interval = std::clamp(minutes, 1, 60);
    if (autoReceive)
        m_autoReceive.start();
    else
        m_autoReceive.stop();
}

void MainTimers::disarmAutoReceive()
{
    m_minutes = 0;
    m_autoReceive.stop();
}

void MainTimers::autoReceiveTick()
{
    if (++m_minutes < m_interval)
        return;
    m_minutes = 0;
    Q_EMIT autoReceiveDue();
}

} // namespace fumibako::mainwin
