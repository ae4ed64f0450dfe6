// The commands on the messages of the shown folder: flags, trash, take-out, delete, drop, and the
// unread timer.
#include "storage/MailFolderView.h"

#include "platform/UserPrompts.h"
#include "storage/MailChangeListener.h"
#include "storage/ProfileStore.h"

#include <QFile>

#include <algorithm>

namespace fumibako::storage {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

// Selected rows, last first, without duplicates or rows that do not exist.
QList<int> lastToFirst(const QList<int>& selected, int rowCount)
{
    QList<int> rows;
    for (int row : selected) {
        if (row >= 0 && row < rowCount)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

void MailFolderView::notifyMoved(const QString& name, const QString& from, const QString& to)
{
    if (m_changes && from != to)
        m_changes->mailMoved(name, from, to);
}

void MailFolderView::writeRow(const MailRow& row)
{
    IniWriteString(row.tag, row.keyString(), BuildIndexValue(row), indexFileOf(row.tag));
}

void MailFolderView::applyFlag(FlagCommand command, const QList<int>& selected)
{
    ProfileWriteBatch batch;
    for (int i : lastToFirst(selected, m_rows.size())) {
        MailRow& row = m_rows.at(i);
        switch (command) {
        case FlagCommand::SetSaved: row.saved = true; break;
        case FlagCommand::ClearSaved: row.saved = false; break;
        case FlagCommand::MarkUnread: row.unread = true; break;
        case FlagCommand::MarkRead: row.unread = false; break;
        }
        writeRow(row);
    }
    batch.commit();
}

void MailFolderView::moveSelected(const QList<int>& selected, const QString& targetSection)
{
    if (m_rows.isEmpty())
        return;
    QList<int> rows = lastToFirst(selected, m_rows.size());
    const qsizetype outgoing = rows.removeIf([this](int i) { return isOutgoingKey(m_rows.at(i).tag); });
    ProfileWriteBatch batch;
    QList<std::pair<QString, QString>> moved; // file name, folder it left
    for (int i : rows) {
        MailRow& row = m_rows.at(i);
        IniDeleteKey(indexFileOf(row.tag), row.tag, row.keyString());
        moved.append({row.keyString(), row.tag});
        row.tag = targetSection;
        writeRow(row);
    }
    batch.commit();
    for (const auto& [name, from] : std::as_const(moved))
        notifyMoved(name, from, targetSection);
    m_rows.removeRows(rows);
    showCount();
    if (outgoing > 0) {
        // Only the search results mix them in: say why those rows stayed.
        m_prompts.message(QStringLiteral("送信BOX・送信済BOX・下書きのメールは移せません。削除するには Shift+Delete キーを押してください。"),
                          QString(), Icon::Information, Buttons::Ok);
    }
}

void MailFolderView::moveToTrash(const QList<int>& selected)
{
    moveSelected(selected, FixedFolder::Trash);
}

void MailFolderView::takeOut(const QList<int>& selected)
{
    moveSelected(selected, FixedFolder::Standard);
}

bool MailFolderView::deletePermanently(const QList<int>& selected)
{
    const QList<int> rows = lastToFirst(selected, m_rows.size());
    if (rows.isEmpty())
        return false;
    if (m_prompts.message(QStringLiteral("本当に削除してよろしいですか？"), QStringLiteral("メールを削除しても・・・"),
                          Icon::Exclamation, Buttons::YesNo)
        != Answer::Yes)
        return false;
    bool skippedSaved = false;
    QList<int> deleted;
    ProfileWriteBatch batch;
    for (int i : rows) {
        const MailRow& row = m_rows.at(i);
        if (row.saved) {
            skippedSaved = true;
            continue;
        }
        const QString dir = mailDirOf(row.tag);
        if (!QFile::remove(dir + row.keyString())) {
            m_prompts.message(dir + row.keyString() + QStringLiteral(" は、削除できませんでした。\r\nフミバコを再起動してください"),
                              QStringLiteral("ファイル削除"), Icon::Information, Buttons::Ok);
            continue;
        }
        if (isOutgoingKey(row.tag))
            QFile::remove(dir + outgoingCompanionName(row.keyString()));
        IniDeleteKey(indexFileOf(row.tag), row.tag, row.keyString());
        deleted.append(i);
    }
    batch.commit();
    for (int i : std::as_const(deleted)) {
        if (m_changes)
            m_changes->mailRemoved(m_rows.at(i).tag, m_rows.at(i).keyString());
    }
    m_rows.removeRows(deleted);
    if (skippedSaved) {
        m_prompts.message(QStringLiteral("保存フラグが立っているものがありました。保存フラグが立っているものは削除していません。"),
                          QStringLiteral("削除フラグ"), Icon::Information, Buttons::Ok);
    }
    showCount();
    return true;
}

void MailFolderView::dropOnFolder(const QString& targetKey, const QList<int>& selected)
{
    if (targetKey == m_folderKey || !FolderTree::isDropTarget(m_tree.indexOfKey(targetKey)) || isOutgoingFolder())
        return;
    QList<int> rows = lastToFirst(selected, m_rows.size());
    rows.removeIf([this](int i) { return isOutgoingKey(m_rows.at(i).tag); }); // received mail only
    // The views over several folders keep a moved message: it still belongs to what they list.
    const bool rowsStay = m_folderKey == FixedFolder::Inbox || m_folderKey == FixedFolder::Unread || isSearchResults();
    ProfileWriteBatch batch;
    QList<std::pair<QString, QString>> moved; // file name, folder it left
    for (int i : rows) {
        MailRow& row = m_rows.at(i);
        if (targetKey == FixedFolder::Unread) {
            row.unread = true;
            writeRow(row);
            continue;
        }
        if (row.tag == targetKey)
            continue; // already there (a view over several folders)
        IniDeleteKey(indexFileOf(row.tag), row.tag, row.keyString());
        moved.append({row.keyString(), row.tag});
        row.tag = targetKey;
        writeRow(row);
    }
    batch.commit();
    for (const auto& [name, from] : std::as_const(moved))
        notifyMoved(name, from, targetKey);
    if (targetKey != FixedFolder::Unread && !rowsStay)
        m_rows.removeRows(rows);
    showCount();
}

bool MailFolderView::moveEntry(const QString& name, const QString& from, const QString& to)
{
    const QString value = IniGetString(from, name, 65536, m_paths.receivedIndexFile);
    if (value.isEmpty() || isOutgoingKey(from) || isOutgoingKey(to))
        return false;
    ProfileWriteBatch batch;
    IniDeleteKey(m_paths.receivedIndexFile, from, name);
    IniWriteString(to, name, value, m_paths.receivedIndexFile);
    if (!batch.commit())
        return false;
    notifyMoved(name, from, to);
    return true;
}

bool MailFolderView::unreadTimerTick(int selectedRow)
{
    if (selectedRow < 0 || selectedRow >= m_rows.size())
        return false;
    if (++m_unreadTicks <= 3)
        return true;
    MailRow& row = m_rows.at(selectedRow);
    row.unread = false;
    writeRow(row);
    return false;
}

MailPopupEnabling MailFolderView::popupEnabling(bool hasSelection) const
{
    if (m_rows.isEmpty() || !hasSelection)
        return {};
    if (m_folderKey == FixedFolder::Inbox)
        return {true, false, false, false};
    if (m_folderKey == FixedFolder::Trash)
        return {true, false, true, false};
    if (isSearchResults())
        return {true, true, false, false};
    if (isOutgoingFolder())
        return {true, false, false, true};
    return {true, true, false, false};
}

} // namespace fumibako::storage
