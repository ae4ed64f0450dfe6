// Sending and receiving from the main window.
#include "mainwin/MainWindow.h"

#include "mainwin/MainViews.h"
#include "mainwin/SendingNoticeWindow.h"
#include "transfer/Sending.h"

namespace fumibako::mainwin {

transfer::SendContext MainWindow::sendContext()
{
    return transfer::SendContext{m_session.properties(), m_session.paths(), m_session.histories(), m_prompts,
                                 m_sendingNotice};
}

void MainWindow::sendAll()
{
    transfer::SendContext context = sendContext();
    const transfer::SendAllResult result = transfer::sendAll(m_guard, m_currentMail, context);
    // The outbox shown in the list would otherwise keep rows whose entries are gone.
    if (result.ran && m_folder.isOutgoingFolder())
        showFolder(selectedNode());
}

void MainWindow::sendSelected()
{
    QList<transfer::SelectedMail> selected;
    for (const int row : m_mailList->selectedRowNumbers()) {
        const storage::MailRow& mail = m_folder.rows().at(row);
        selected.append({mail.keyString(), mail.tag});
    }
    transfer::SendContext context = sendContext();
    if (transfer::sendSelected(m_guard, m_currentMail, context, m_folder.currentMailDir(), selected))
        showFolder(selectedNode());
}

void MainWindow::receive()
{
    receiveWith(m_receiveMethod);
}

void MainWindow::receiveWith(int)
{
    showNotAvailable(m_prompts, QStringLiteral("受信"));
}

void MainWindow::receiveThenSend()
{
    receive();
    sendAll();
}

void MainWindow::autoReceive()
{
    // A box every few minutes would pile up while nobody is looking: the status bar says it.
    m_prompts.setStatus(1, QStringLiteral("自動受信はまだ使えません"));
}

} // namespace fumibako::mainwin
