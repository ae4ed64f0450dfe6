// Sending from the main window: the notice window around each message, the selected rows.
#include "mainwin/MainWindow.h"

#include "mainwin/MainViews.h"
#include "mainwin/SendingNoticeWindow.h"

namespace fumibako::mainwin {

void MainWindow::wireSending()
{
    connect(m_controller.get(), &MainController::sendStarted, m_sendingNotice,
            [this](const QString& text) { m_sendingNotice->show(text); });
    connect(m_controller.get(), &MainController::sendEnded, m_sendingNotice, [this] { m_sendingNotice->close(); });
}

void MainWindow::sendSelected()
{
    m_controller->sendSelected(m_mailList->selectedRowNumbers());
}

} // namespace fumibako::mainwin
