// The preview pane: the list's presses and clicks, the unread timer and the pane's links.
#include "mainwin/MainWindow.h"

#include "mailview/PreviewSelection.h"
#include "mainwin/MainViews.h"

#include <QDesktopServices>

namespace fumibako::mainwin {

void MainWindow::wirePreview()
{
    MainController* controller = m_controller.get();
    connect(m_mailList, &MailListView::listPressed, controller, &MainController::listPressed);
    connect(m_mailList, &MailListView::rowClicked, controller, &MainController::rowClicked);
    connect(m_mailList, &MailListView::emptySpaceReleased, controller, &MainController::emptySpaceReleased);
    connect(&controller->timers(), &MainTimers::unreadTick, this,
            [this] { m_controller->unreadTick(m_mailList->focusedSelectedRow()); });
    connect(m_preview, &PreviewBrowser::linkActivated, this, &MainWindow::openLink);
}

void MainWindow::openLink(const QUrl& url)
{
    // The pane never follows a link itself: web links go to the system's browser, mail links to
    // the compose window.
    const mailview::LinkAction action = mailview::previewLinkAction(url.toString());
    if (action.kind == mailview::LinkAction::External)
        QDesktopServices::openUrl(url);
    else if (action.kind == mailview::LinkAction::Compose) {
        compose::ComposeFields fields;
        fields.to = action.address;
        composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString(), fields);
    }
}

} // namespace fumibako::mainwin
