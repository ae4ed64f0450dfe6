// The main window's filing by the rules: "振り分け実行" on a folder or on chosen messages.
#include "mainwin/core/MainController.h"

#include "filing/AccountFolders.h"
#include "mainwin/core/ManualFilingRunner.h"
#include "platform/UserPrompts.h"
#include "settings/core/RuleEditor.h"

namespace fumibako::mainwin {

void MainController::createFilingRunner()
{
    m_filingRunner = new ManualFilingRunner(m_session, m_prompts, &m_search, &m_addressLookup, this);
    connect(m_filingRunner, &ManualFilingRunner::finished, this, [this](const filing::ManualFilingResult& result) {
        // The shown folder lists what moved in and out.
        if (m_shownNode != 0)
            showFolder(m_shownNode);
        m_prompts.setStatus(1, ManualFilingRunner::resultText(result));
    });
}

filing::FolderExists MainController::folderExists()
{
    const storage::FolderTree& tree = m_session.folderTree();
    return [&tree](const QString& key) { return filing::takesFiledMail(tree, key); };
}

QString MainController::receivedPath(int row) const
{
    if (row < 0 || row >= m_folder.rows().size() || storage::MailFolderView::isOutgoingKey(m_folder.rows().at(row).tag))
        return QString();
    const storage::MailRow& mail = m_folder.rows().at(row);
    return m_folder.mailDirOf(mail.tag) + mail.keyString();
}

MainController::FilingPopup MainController::filingPopup(const QList<int>& rows, int focused) const
{
    FilingPopup popup;
    for (int row : rows)
        popup.fileSelected = popup.fileSelected || !receivedPath(row).isEmpty();
    const QString path = receivedPath(focused);
    popup.bySender = !path.isEmpty();
    // One field of one file: cheap enough to read as the menu opens.
    popup.byList = !path.isEmpty() && settings::RuleEditor::ruleForList(path).has_value();
    return popup;
}

void MainController::fileFolderByRules(const QString& key)
{
    m_filingRunner->startFolder(key);
}

void MainController::fileRowsByRules(const QList<int>& rows)
{
    std::vector<storage::FoundMail> messages;
    for (int row : rows) {
        if (row >= 0 && row < m_folder.rows().size())
            messages.push_back({m_folder.rows().at(row).tag, m_folder.rows().at(row).keyString()});
    }
    if (!messages.empty())
        m_filingRunner->startMessages(messages);
}

} // namespace fumibako::mainwin
