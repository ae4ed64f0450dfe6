// Filing by the rules from the main window: "振り分け設定", "振り分け実行" with its progress,
// the rule makers of the mail list's pop-up menu and "振り分けログ".
#include "mainwin/MainWindow.h"

#include "filing/AccountFolders.h"
#include "filing/FilingLog.h"
#include "filing/RuleFile.h"
#include "mainwin/MainViews.h"
#include "mainwin/core/ManualFilingRunner.h"
#include "settings/FilingLogDialog.h"
#include "settings/FilingRulesDialog.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>

namespace fumibako::mainwin {

void MainWindow::addFilingMenuItems(QMenu* tool)
{
    tool->addSeparator();
    addCommand(tool, QStringLiteral("振り分け設定(&R)..."), &MainWindow::filingSettings)->setObjectName(QStringLiteral("mnuFiling"));
    addCommand(tool, QStringLiteral("振り分け実行(&F)"), &MainWindow::fileShownFolder)->setObjectName(QStringLiteral("mnuFileFolder"));
    addCommand(tool, QStringLiteral("振り分けログ(&G)"), &MainWindow::filingLog)->setObjectName(QStringLiteral("mnuFilingLog"));
}

void MainWindow::addFilingPopupItems()
{
    m_listPopup->addSeparator();
    m_popupFileSelected = addCommand(m_listPopup, QStringLiteral("振り分け実行（選択したメール）"), &MainWindow::fileSelected);
    m_popupRuleFromSender = addCommand(m_listPopup, QStringLiteral("この差出人で振り分け…"), &MainWindow::ruleFromSender);
    m_popupRuleFromList = addCommand(m_listPopup, QStringLiteral("このメーリングリストで振り分け…"), &MainWindow::ruleFromList);
}

void MainWindow::prepareFilingPopup()
{
    const MainController::FilingPopup popup =
        m_controller->filingPopup(m_mailList->selectedRowNumbers(), m_mailList->focusedSelectedRow());
    m_popupFileSelected->setEnabled(popup.fileSelected);
    m_popupRuleFromSender->setEnabled(popup.bySender);
    m_popupRuleFromList->setEnabled(popup.byList);
}

void MainWindow::wireFiling()
{
    connect(&m_controller->filingRunner(), &ManualFilingRunner::progress, this, &MainWindow::filingProgress);
    connect(&m_controller->filingRunner(), &ManualFilingRunner::finished, this, [this] {
        if (m_filingProgress) {
            m_filingProgress->reset(); // also stops the timer that would show it
            m_filingProgress->hide();
        }
    });
}

void MainWindow::filingProgress(int decided, int total)
{
    if (!m_filingProgress) {
        m_filingProgress = new QProgressDialog(this);
        m_filingProgress->setObjectName(QStringLiteral("frmFilingProgress"));
        m_filingProgress->setWindowTitle(QStringLiteral("振り分け実行"));
        m_filingProgress->setCancelButtonText(QStringLiteral("中止"));
        m_filingProgress->setWindowModality(Qt::WindowModal);
        m_filingProgress->setAutoReset(false);
        m_filingProgress->setAutoClose(false);
        // A folder filed by its index is done before the dialog would be worth showing.
        m_filingProgress->setMinimumDuration(400);
        connect(m_filingProgress, &QProgressDialog::canceled, &m_controller->filingRunner(), &ManualFilingRunner::cancel);
    }
    if (decided == 0)
        m_filingProgress->reset();
    m_filingProgress->setMaximum(std::max(total, 1));
    m_filingProgress->setLabelText(QStringLiteral("%1 / %2 通を調べました").arg(decided).arg(total));
    m_filingProgress->setValue(decided);
}

void MainWindow::showFilingSettings(const std::optional<filing::Rule>& newRule)
{
    MainController& controller = *m_controller;
    if (!controller.session().isOpen())
        return;
    storage::MailFolderView& shown = controller.folderView();
    settings::RuleDialogContext context;
    context.folders = filing::filingFolderChoices(controller.session().folderTree());
    const bool received = !shown.isOutgoingFolder() && shown.folderKey() != storage::kSearchResultsKey;
    context.shownFolder = shown.folderKey();
    context.shownRows = received ? &shown.rows() : nullptr;
    context.inputDir = controller.session().paths().inputDir;
    context.addressBook = &controller.addressLookup();
    context.scriptedPrompts = m_prompts.scripted();
    controller.setAutoReceiveArmed(false);
    {
        settings::FilingRulesDialog dialog(filing::rulesFile(controller.session().paths()), controller.folderExists(),
                                           context, this);
        if (newRule)
            dialog.addRule(*newRule);
        dialog.exec();
    }
    controller.setAutoReceiveArmed(true);
}

void MainWindow::filingLog()
{
    if (!m_controller->session().isOpen())
        return;
    settings::FilingLogDialog dialog(filing::filingLogFile(m_controller->session().paths()), this);
    dialog.exec();
}

void MainWindow::fileShownFolder()
{
    const storage::MailFolderView& shown = m_controller->folderView();
    if (shown.folderKey().isEmpty() || shown.isOutgoingFolder() || shown.folderKey() == storage::kSearchResultsKey) {
        m_prompts.message(QStringLiteral("振り分けるフォルダ（受信BOX、標準BOX、自分で作ったフォルダなど）を表示してください"),
                          QStringLiteral("振り分け実行"), platform::Icon::Information, platform::Buttons::Ok);
        return;
    }
    m_controller->fileFolderByRules(shown.folderKey());
}

void MainWindow::fileTreeFolder()
{
    const int node = selectedNode();
    if (node > 0 && node <= m_controller->session().folderTree().count())
        m_controller->fileFolderByRules(m_controller->session().folderTree().node(node).key);
}

void MainWindow::fileSelected()
{
    m_controller->fileRowsByRules(m_mailList->selectedRowNumbers());
}

void MainWindow::ruleFromSender()
{
    const int row = m_mailList->focusedSelectedRow();
    if (m_controller->receivedPath(row).isEmpty())
        return;
    showFilingSettings(settings::RuleEditor::ruleForSender(m_controller->folderView().rows().at(row).field1().toString()));
}

void MainWindow::ruleFromList()
{
    const std::optional<filing::Rule> rule = settings::RuleEditor::ruleForList(m_controller->receivedPath(m_mailList->focusedSelectedRow()));
    if (rule)
        showFilingSettings(*rule);
}

} // namespace fumibako::mainwin
