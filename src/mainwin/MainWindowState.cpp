// The main window's persisted state: display settings in, display settings out, and closing.
#include "mainwin/MainWindow.h"

#include "addressbook/AddressManagerWindow.h"
#include "compose/ComposeHost.h"
#include "mainwin/MainViews.h"
#include "mainwin/core/MailTableModel.h"
#include "widgets/StoredGeometry.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QTreeWidget>

namespace fumibako::mainwin {

void MainWindow::applyDisplaySettings(const storage::DisplaySettings& settings)
{
    QHeaderView* header = m_mailList->horizontalHeader();
    for (int i = 0; i < kMailColumnCount; ++i)
        header->resizeSection(i, widgets::pixelsAcross(*this, settings.columnWidths.at(i)));
    m_mailModel->setSortState(settings.sortKey, settings.sortOrder);
    m_mailModel->reload();
    header->setSortIndicator(m_mailModel->sortState().key,
                             m_mailModel->sortState().order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_addressPaneAction->setChecked(settings.addressPaneShown);
    toggleAddressPane();
    for (int i = 0; i < 2; ++i)
        m_addressList->setColumnWidth(i, widgets::pixelsAcross(*this, settings.addressColumnWidths.at(i)));
    widgets::applyStoredGeometry(*this, settings.mainWindow);
    recordNormalBounds();
    if (settings.mainState == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
    m_splitters = {settings.splitters.at(0), settings.splitters.at(1), settings.splitters.at(2)};
}

void MainWindow::recordNormalBounds()
{
    widgets::recordNormalGeometry(*this, m_display.mainWindow);
}

storage::DisplaySettings MainWindow::collectDisplaySettings() const
{
    storage::DisplaySettings settings = m_display;
    const QHeaderView* header = m_mailList->horizontalHeader();
    for (int i = 0; i < kMailColumnCount; ++i)
        settings.columnWidths.at(i) = storage::pixelsToTwips(header->sectionSize(i), logicalDpiX());
    settings.sortKey = m_mailModel->sortState().key;
    settings.sortOrder = m_mailModel->sortState().order;
    settings.addressPaneShown = m_addressPaneAction->isChecked();
    for (int i = 0; i < 2; ++i)
        settings.addressColumnWidths.at(i) = storage::pixelsToTwips(m_addressList->columnWidth(i), logicalDpiX());
    settings.splitters.at(0) = storage::toStoredTwips(m_splitters.left);
    settings.splitters.at(1) = storage::toStoredTwips(m_splitters.listBottom);
    settings.splitters.at(2) = storage::toStoredTwips(m_splitters.treeBottom);
    settings.mainState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    return settings;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // An open address book manager asks about its unsaved changes before the program ends.
    if (!addressbook::AddressManagerWindow::closeAll(this)) {
        event->ignore();
        return;
    }
    // So does an open compose window about the mail in it; closed, it has kept its bounds for the exit.
    if (m_compose && !m_compose->closeWindow()) {
        event->ignore();
        return;
    }
    if (!m_session.ExitProgram(collectDisplaySettings(), m_mailModel->sortState().changed)) {
        event->ignore();
        return;
    }
    m_timers.stopUnreadTimer();
    m_timers.disarmAutoReceive();
    event->accept();
}

} // namespace fumibako::mainwin
