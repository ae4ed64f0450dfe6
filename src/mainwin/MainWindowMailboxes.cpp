// The main window's import and export of mailbox files: "メールのインポート…" in the file menu,
// "エクスポート…" on a folder, and files dropped on the folder tree.
#include "mainwin/MainWindow.h"

#include "mailimport/ExportDialog.h"
#include "mailimport/ImportDialog.h"
#include "mainwin/core/FolderTreeModel.h"

namespace fumibako::mainwin {

namespace {

// The windows close themselves; each lives until it is closed.
template<typename Dialog>
Dialog* openModeless(Dialog* dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    return dialog;
}

} // namespace

mailimport::ImportDialog* MainWindow::openImportWindow(const QString& targetKey)
{
    auto* dialog = new mailimport::ImportDialog(m_controller->mailboxServices(), targetKey, this);
    MainController* controller = m_controller.get();
    connect(dialog, &mailimport::ImportDialog::foldersAdded, controller, &MainController::importFoldersAdded);
    connect(&dialog->controller(), &mailimport::ImportController::stateChanged, controller,
            [controller](mailimport::ImportController::State state) {
                if (state == mailimport::ImportController::State::Done)
                    controller->importEnded();
            });
    return openModeless(dialog);
}

void MainWindow::importMail()
{
    openImportWindow(m_treeModel->keyOfNode(selectedNode()));
}

void MainWindow::importDroppedFiles(const QString& key, const QStringList& paths)
{
    openImportWindow(key)->startWith(paths);
}

void MainWindow::exportFolder()
{
    const QString key = m_treeModel->keyOfNode(selectedNode());
    if (!treePopupFor(selectedNode(), m_controller->session().folderTree().isUserFolder(selectedNode())).exportFolder)
        return;
    openModeless(new mailimport::ExportDialog(m_controller->mailboxServices(), m_prompts, key, this));
}

} // namespace fumibako::mainwin
