// Sending from the main window: the notice window around each message, the selected rows.
#include "mainwin/MainWindow.h"

#include "mainwin/MainViews.h"
#include "mainwin/SendingNoticeWindow.h"

namespace fumibako::mainwin {

void MainWindow::wireSending()
{
    connect(m_controller.get(), &MainController::sendStarted, m_sendingNotice, &SendingNoticeWindow::showNotice);
    connect(m_controller.get(), &MainController::sendEnded, m_sendingNotice, &SendingNoticeWindow::hideNotice);
}

void MainWindow::sendSelected()
{
    m_controller->sendSelected(m_mailList->selectedRowNumbers());
}

} // namespace fumibako::mainwin
