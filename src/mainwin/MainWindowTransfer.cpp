// Sending from the main window.
#include "mainwin/MainWindow.h"

#include "mainwin/MainViews.h"
#include "mainwin/ReceiveDialogs.h"
#include "mainwin/SendingNoticeWindow.h"
#include "transfer/Sending.h"

namespace fumibako::mainwin {

transfer::SendContext MainWindow::sendContext()
{
    transfer::SendContext context{m_session.properties(), m_session.paths(), m_session.histories(), m_prompts,
                                  m_sendingNotice};
    context.askPassword = [this] { return m_receiveUi->askPassword(); };
    return context;
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

} // namespace fumibako::mainwin
