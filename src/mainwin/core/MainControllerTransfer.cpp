// The main window's receiving and sending: the open account as receiving sees it, automatic
// receiving, and the sends of the outbox.
#include "mainwin/core/MainController.h"

#include "transfer/AutoReceive.h"
#include "transfer/Receiving.h"

namespace fumibako::mainwin {

void MainController::prepareReceiver()
{
    transfer::ReceiveAccount account;
    account.properties = &m_session.properties();
    account.environment = m_session.environment();
    account.paths = m_session.paths();
    account.workDir = m_session.programPaths().workDir;
    account.folderExists = folderExists();
    account.addressBook = &m_addressLookup;
    account.junkFilter = m_junk.filter();
    m_receiver->setAccount(account);
}

bool MainController::receive(storage::ReceiveMethod method)
{
    if (!m_session.isOpen())
        return false;
    prepareReceiver();
    return m_receiver->StartReceive(method, {});
}

void MainController::receiveThenSend()
{
    if (!m_session.isOpen())
        return;
    prepareReceiver();
    // Send all waits until the receive has ended and released the guard.
    m_receiver->StartReceive(m_receiveMethod, [this](transfer::ReceiveResult) { sendAll(); });
}

void MainController::cancelReceive()
{
    m_receiver->requestCancel();
}

void MainController::autoReceiveMinute()
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

void MainController::sendAll()
{
    m_sender.sendAll(m_guard, m_currentMail, sendContext(), [this](const transfer::SendAllResult& result) {
        // The outbox shown in the list would otherwise keep rows whose entries are gone.
        if (result.ran && m_folder.isOutgoingFolder())
            showFolder(m_shownNode);
    });
}

void MainController::sendSelected(const QList<int>& rows)
{
    QList<transfer::SelectedMail> selected;
    for (const int row : rows) {
        const storage::MailRow& mail = m_folder.rows().at(row);
        selected.append({mail.keyString(), mail.tag});
    }
    m_sender.sendSelected(m_guard, m_currentMail, sendContext(), m_folder.currentMailDir(), selected,
                          [this](bool ran) {
                              if (ran)
                                  showFolder(m_shownNode);
                          });
}

} // namespace fumibako::mainwin
