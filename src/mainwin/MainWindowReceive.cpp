// Receiving from the main window: the receive commands, the automatic receive timer, and
// receive-then-send.
#include "mainwin/MainWindow.h"

#include "mainwin/ReceiveDialogs.h"
#include "transfer/AutoReceive.h"
#include "transfer/Receiving.h"

namespace fumibako::mainwin {

void MainWindow::createReceiver()
{
    m_receiveUi = std::make_unique<WindowReceiveUi>(
        this, [this] { m_receiver->requestCancel(); }, [this] { showUnreadFolder(); });
    m_receiver = new transfer::Receiver(m_guard, m_prompts, *m_receiveUi, m_currentMail, this);
}

void MainWindow::setReceiverAccount()
{
    transfer::ReceiveAccount account;
    account.properties = &m_session.properties();
    account.environment = m_session.environment();
    account.paths = m_session.paths();
    account.workDir = m_session.programPaths().workDir;
    m_receiver->setAccount(account);
}

bool MainWindow::startReceive(storage::ReceiveMethod method, std::function<void()> done)
{
    if (!m_session.isOpen())
        return false;
    setReceiverAccount();
    return m_receiver->StartReceive(method, [done = std::move(done)](transfer::ReceiveResult) {
        if (done)
            done();
    });
}

void MainWindow::receive()
{
    receiveWith(m_receiveMethod);
}

void MainWindow::receiveWith(storage::ReceiveMethod method)
{
    startReceive(method, {});
}

void MainWindow::receiveThenSend()
{
    // Send all waits until the receive has ended and released the guard.
    if (!startReceive(m_receiveMethod, [this] { sendAll(); }))
        return;
}

void MainWindow::autoReceiveMinute()
{
    switch (m_timers.counter().AutoReceiveTick(m_session.environment())) {
    case transfer::AutoReceiveCounter::Step::Disarm:
        m_timers.disarmAutoReceive();
        break;
    case transfer::AutoReceiveCounter::Step::Wait:
        break;
    case transfer::AutoReceiveCounter::Step::Receive:
        receive();
        break;
    }
}

} // namespace fumibako::mainwin
