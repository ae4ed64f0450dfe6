// The list's commands that file the selected messages into a chosen folder or answer them.
#include "mainwin/core/MainController.h"

#include "compose/core/ComposeLauncher.h"
#include "platform/UserPrompts.h"

#include <QSet>

namespace fumibako::mainwin {

QList<MainController::ListedMessage> MainController::listedMessages(const QList<int>& rows) const
{
    QList<ListedMessage> messages;
    for (int row : rows) {
        if (row >= 0 && row < m_folder.rows().size())
            messages.append({m_folder.rows().at(row).tag, m_folder.rows().at(row).keyString()});
    }
    return messages;
}

QList<int> MainController::rowsOf(const QList<ListedMessage>& messages) const
{
    QSet<QString> wanted;
    for (const ListedMessage& message : messages)
        wanted.insert(message.folderKey + QLatin1Char('\n') + message.fileName);
    QList<int> rows;
    const storage::MailList& listed = m_folder.rows();
    for (int row = 0; row < listed.size() && rows.size() < wanted.size(); ++row) {
        if (wanted.contains(listed.at(row).tag + QLatin1Char('\n') + listed.at(row).keyString()))
            rows.append(row);
    }
    return rows;
}

FolderChoice MainController::folderChoice(FilingCommand command)
{
    return FolderChoice(m_session.folderTree(), command, m_folder.folderKey(), m_lastFilingKey);
}

void MainController::fileRows(FilingCommand command, const QString& key, const QList<int>& rows)
{
    if (rows.isEmpty() || !folderChoice(command).chosenKey(m_session.folderTree().indexOfKey(key)))
        return;
    m_lastFilingKey = key;
    if (command == FilingCommand::Move) {
        dropRows(key, rows);
        return;
    }
    // A view over several folders lists the copies too.
    if (m_folder.copyToFolder(key, rows) > 0 && (m_folder.folderKey() == storage::FixedFolder::Inbox
                                                 || m_folder.folderKey() == storage::FixedFolder::Unread))
        listFolder(m_shownNode, Listing::Again);
}

void MainController::replyToRow(int row, mailview::ReplyTo who)
{
    if (row < 0 || row >= m_folder.rows().size() || !m_composer)
        return;
    const storage::MailRow& shown = m_folder.rows().at(row);
    if (storage::MailFolderView::isOutgoingKey(shown.tag))
        return;
    const QString dir = m_folder.mailDirOf(shown.tag);
    transfer::CurrentMail mail;
    if (!transfer::ReadStoredMail(mail, transfer::StoredMailKind::Received, dir, shown.keyString(), QString())) {
        m_prompts.message(QStringLiteral("メールを読み込めませんでした。\r\n") + dir + shown.keyString(), QString(),
                          platform::Icon::Exclamation, platform::Buttons::Ok);
        return;
    }
    const mailview::RepliedMail replied{dir + shown.keyString(), mail.from, mail.subject, mail.body};
    m_composer().showWithFields(mailview::replyFields(replied, who, true, true, m_session.properties().mailAddress));
}

} // namespace fumibako::mainwin
