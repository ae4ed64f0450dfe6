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
    MailTableModel* model = m_controller->mailModel();
    model->setSortState(settings.sortKey, settings.sortOrder);
    model->reload();
    header->setSortIndicator(model->sortState().key,
                             model->sortState().order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_addressPaneAction->setChecked(settings.addressPaneShown);
    toggleAddressPane();
    for (int i = 0; i < 2; ++i)
        m_addressList->setColumnWidth(i, widgets::pixelsAcross(*this, settings.addressColumnWidths.at(i)));
    widgets::applyStoredGeometry(*this, settings.mainWindow);
    recordNormalBounds();
    if (settings.mainState == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::recordNormalBounds()
{
    widgets::recordNormalGeometry(*this, m_controller->display().mainWindow);
}

storage::DisplaySettings MainWindow::collectDisplaySettings() const
{
    storage::DisplaySettings settings = m_controller->display();
    const QHeaderView* header = m_mailList->horizontalHeader();
    for (int i = 0; i < kMailColumnCount; ++i)
        settings.columnWidths.at(i) = storage::pixelsToTwips(header->sectionSize(i), logicalDpiX());
    const ListSortState& sort = m_controller->mailModel()->sortState();
    settings.sortKey = sort.key;
    settings.sortOrder = sort.order;
    settings.addressPaneShown = m_addressPaneAction->isChecked();
    for (int i = 0; i < 2; ++i)
        settings.addressColumnWidths.at(i) = storage::pixelsToTwips(m_addressList->columnWidth(i), logicalDpiX());
    const storage::SplitterPositions& splitters = m_controller->splitters();
    settings.splitters.at(0) = storage::toStoredTwips(splitters.left);
    settings.splitters.at(1) = storage::toStoredTwips(splitters.listBottom);
    settings.splitters.at(2) = storage::toStoredTwips(splitters.treeBottom);
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
    const bool sortChanged = m_controller->mailModel()->sortState().changed;
    if (!m_controller->session().ExitProgram(collectDisplaySettings(), sortChanged)) {
        event->ignore();
        return;
    }
    m_controller->timers().stopUnreadTimer();
    m_controller->timers().disarmAutoReceive();
    event->accept();
}

} // namespace fumibako::mainwin
