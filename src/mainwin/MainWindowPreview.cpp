// The preview pane: what an item click in the mail list shows, the unread timer, the pane's links.
#include "mainwin/MainWindow.h"

#include "mailview/PreviewRenderer.h"
#include "mainwin/MainViews.h"
#include "transfer/StoredMail.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace fumibako::mainwin {

QString MainWindow::previewLocationName() const
{
    const QString location = m_preview->location();
    if (location.isEmpty() || location == mailview::kBlankLocation)
        return location;
    return QFileInfo(location).fileName();
}

void MainWindow::listPressed()
{
    mailview::listPressed(m_previewState);
}

void MainWindow::mailRowClicked(int row)
{
    if (row < 0 || row >= m_folder.rows().size())
        return;
    const QString key = m_folder.rows().at(row).keyString();
    switch (mailview::itemClicked(m_previewState, key, previewLocationName())) {
    case mailview::PreviewAction::Nothing:
        return;
    case mailview::PreviewAction::Blank:
        m_preview->showBlank();
        return;
    case mailview::PreviewAction::Render:
        break;
    }
    unreadMarkFor(row);
    showPreviewOf(key);
}

void MainWindow::previewFollowsList()
{
    const bool listed = m_folder.rows().containsKey(m_previewState.shownKey);
    if (mailview::listChanged(m_previewState, previewLocationName(), listed) == mailview::PreviewAction::Blank)
        m_preview->showBlank();
}

void MainWindow::unreadMarkFor(int row)
{
    if (m_folder.rows().at(row).unread) {
        m_folder.startUnreadTimer();
        m_timers.startUnreadTimer();
    } else {
        m_timers.stopUnreadTimer();
    }
}

void MainWindow::showPreviewOf(const QString& key)
{
    const storage::ProgramPaths& paths = m_session.programPaths();
    const int row = m_folder.rows().rowOfKey(key);
    const QString folder = row >= 0 ? m_folder.rows().at(row).tag : m_folder.folderKey(); // the row's own folder
    const transfer::StoredMailKind kind = mailview::previewReadMode(folder);
    // The preview shows the body alone: the attachments are named, not written out. Saved into
    // the work folder (which often lives in memory), every click would add another copy of them.
    const bool read = transfer::ReadStoredMail(m_currentMail, kind, m_folder.mailDirOf(folder), key, QString());
    const QString text = mailview::previewTextAfterRead(read, m_currentMail.body);
    if (mailview::MakePreview(m_prompts, paths.previewFile, text, {m_display.previewFontName, m_display.previewFontSize}))
        m_preview->showPreviewPage(paths.previewFile);
    m_returnFreedMemory.start();
}

void MainWindow::showPreviewAgain()
{
    // A new preview font shows at once on the message the pane shows, when it is still listed.
    const QString key = m_previewState.shownKey;
    if (!key.isEmpty() && previewLocationName() == mailview::kPreviewFileName && m_folder.rows().containsKey(key))
        showPreviewOf(key);
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
