// The main window's persisted state: display settings in, display settings out, and closing.
#include "mainwin/MainWindow.h"

#include "addressbook/AddressManagerWindow.h"
#include "compose/ComposeHost.h"
#include "mainwin/MainViews.h"
#include "mainwin/core/MailTableModel.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

namespace fumibako::mainwin {

namespace {
// Positions and sizes are stored as 16-bit twips; a huge screen must not wrap them negative.
qint16 toStored(double twips)
{
    return static_cast<qint16>(std::clamp(twips, -32768.0, 32767.0));
}
} // namespace

void MainWindow::applyDisplaySettings(const storage::DisplaySettings& settings)
{
    QHeaderView* header = m_mailList->horizontalHeader();
    for (int i = 0; i < kMailColumnCount; ++i)
        header->resizeSection(i, pixelsX(settings.columnWidths.at(i)));
    m_mailModel->setSortState(settings.sortKey, settings.sortOrder);
    m_mailModel->reload();
    header->setSortIndicator(m_mailModel->sortState().key,
                             m_mailModel->sortState().order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_addressPaneAction->setChecked(settings.addressPaneShown);
    toggleAddressPane();
    for (int i = 0; i < 2; ++i)
        m_addressList->setColumnWidth(i, pixelsX(settings.addressColumnWidths.at(i)));
    applyWindowGeometry(settings.mainWindow);
    recordNormalBounds();
    if (settings.mainState == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
    m_splitters = {settings.splitters.at(0), settings.splitters.at(1), settings.splitters.at(2)};
}

void MainWindow::applyWindowGeometry(const storage::WindowGeometry& geometry)
{
    resize(pixelsX(geometry.width), pixelsY(geometry.height));
    if (geometry.top && geometry.left)
        move(pixelsX(*geometry.left), pixelsY(*geometry.top));
}

void MainWindow::recordNormalBounds()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    m_display.mainWindow.width = toStored(twipsX(width()));
    m_display.mainWindow.height = toStored(twipsY(height()));
    m_display.mainWindow.top = toStored(twipsY(y()));
    m_display.mainWindow.left = toStored(twipsX(x()));
}

storage::DisplaySettings MainWindow::collectDisplaySettings() const
{
    storage::DisplaySettings settings = m_display;
    const QHeaderView* header = m_mailList->horizontalHeader();
    for (int i = 0; i < kMailColumnCount; ++i)
        settings.columnWidths.at(i) = pixelsToTwips(header->sectionSize(i), logicalDpiX());
    settings.sortKey = m_mailModel->sortState().key;
    settings.sortOrder = m_mailModel->sortState().order;
    settings.addressPaneShown = m_addressPaneAction->isChecked();
    for (int i = 0; i < 2; ++i)
        settings.addressColumnWidths.at(i) = pixelsToTwips(m_addressList->columnWidth(i), logicalDpiX());
    settings.splitters.at(0) = toStored(m_splitters.left);
    settings.splitters.at(1) = toStored(m_splitters.listBottom);
    settings.splitters.at(2) = toStored(m_splitters.treeBottom);
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
