// Sending from the main window.
#include "mainwin/MainWindow.h"

#include "mainwin/MainViews.h"
#include "mainwin/ReceiveDialogs.h"
#include "mainwin/SendingNoticeWindow.h"
#include "search/SearchService.h"
#include "transfer/Sending.h"

namespace fumibako::mainwin {

transfer::SendContext MainWindow::sendContext()
{
    transfer::SendContext context{m_session.properties(), m_session.paths(), m_session.histories(), m_prompts,
                                  m_sendingNotice};
    context.askPassword = [this] { return m_receiveUi->askPassword(); };
    context.changes = m_search;
    return context;
}

void MainWindow::sendAll()
{
    m_sender.sendAll(m_guard, m_currentMail, sendContext(), [this](const transfer::SendAllResult& result) {
        // The outbox shown in the list would otherwise keep rows whose entries are gone.
        if (result.ran && m_folder.isOutgoingFolder())
            showFolder(selectedNode());
    });
}

void MainWindow::sendSelected()
{
    QList<transfer::SelectedMail> selected;
    for (const int row : m_mailList->selectedRowNumbers()) {
        const storage::MailRow& mail = m_folder.rows().at(row);
        selected.append({mail.keyString(), mail.tag});
    }
    m_sender.sendSelected(m_guard, m_currentMail, sendContext(), m_folder.currentMailDir(), selected,
                          [this](bool ran) {
                              if (ran)
                                  showFolder(selectedNode());
                          });
}

} // namespace fumibako::mainwin
