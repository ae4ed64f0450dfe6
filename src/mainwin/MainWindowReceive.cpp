// Receiving from the main window: the receive method's menu items follow the controller's choice.
#include "mainwin/MainWindow.h"

#include <QAction>

namespace fumibako::mainwin {

void MainWindow::wireReceiving()
{
    connect(m_controller.get(), &MainController::receiveMethodChanged, this, &MainWindow::receiveMethodChanged);
}

void MainWindow::receiveMethodChanged(storage::ReceiveMethod method)
{
    m_methodActions.at(int(method))->setChecked(true);
}

} // namespace fumibako::mainwin
