#include "filing/ManualFiling.h"

#include "filing/MessageCopies.h"
#include "platform/AtomicFile.h"
#include "storage/FolderTree.h"
#include "storage/MailChangeListener.h"
#include "storage/ProfileStore.h"

namespace fumibako::filing {

using storage::FixedFolder::Inbox;
using storage::FixedFolder::Trash;
using storage::FixedFolder::Unread;

ManualFiling::ManualFiling(const storage::AccountPaths& paths, const FilingEngine& engine, FolderExists folderExists)
    : m_paths(paths), m_engine(engine), m_folderExists(std::move(folderExists))
{
}

void ManualFiling::addSection(const QString& section, bool unreadOnly)
{
    const storage::SectionText lines = storage::readSectionText(m_paths.receivedIndexFile, section);
    m_messages.reserve(m_messages.size() + lines.size());
    for (const storage::SharedLine& line : lines) {
        std::optional<storage::MailRow> row = storage::ParseIndexLine(line.text, line.owner);
        if (!row || (unreadOnly && !row->unread))
            continue;
        row->tag = section;
        m_messages.push_back({std::move(*row), {}});
    }
}

void ManualFiling::addFolder(const QString& key)
{
    if (key != Inbox && key != Unread) {
        addSection(key, false);
        return;
    }
    QStringList sections;
    storage::IniGetSectionNames(m_paths.receivedIndexFile, sections);
    for (const QString& section : std::as_const(sections)) {
        if (section != Trash && (!m_folderExists || m_folderExists(section)))
            addSection(section, key == Unread);
    }
}

void ManualFiling::addMessages(const std::vector<storage::FoundMail>& messages)
{
    for (const storage::FoundMail& found : messages) {
        if (storage::MailFolderView::isOutgoingKey(found.folderKey))
            continue;
        const QString value = storage::IniGetString(found.folderKey, found.fileName, 65536, m_paths.receivedIndexFile);
        std::optional<storage::MailRow> row = storage::ParseIndexLine(found.fileName + u'=' + value);
        if (!row)
            continue;
        row->tag = found.folderKey;
        m_messages.push_back({std::move(*row), {}});
    }
}

bool ManualFiling::step(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_next < m_messages.size()) {
        Message& message = m_messages[m_next++];
        const storage::MailRow& row = message.row;
        FilingInput input = FilingInput::withKnownFields(m_paths.inputDir + row.keyString(), row.field1().toString(),
                                                         row.subject().toString(), row.attachment);
        message.decision = m_engine.decide(input);
        // The clock is read every few messages: reading it costs as much as deciding by the index.
        if (((m_next & 63) == 0 || budgetMs <= 0) && clock.elapsed() >= budgetMs)
            break;
    }
    return m_next < m_messages.size();
}

void ManualFiling::writeCopies(Message& message, QList<std::pair<QString, QString>>& stored, ManualFilingResult& result)
{
    const QString name = message.row.keyString();
    for (qsizetype i = 0; i < message.decision.copies.size(); ++i) {
        const QString folder = message.decision.copies.at(i);
        if (folder == message.row.tag)
            continue;
        const QString copy = makeCopy(m_paths.inputDir, name, int(i + 1));
        if (copy.isEmpty())
            continue;
        m_copiesMade = true;
        // Filing again finds the copy it made before: one copy per folder, however often it runs.
        if (!storage::IniGetString(folder, copy, 4, m_paths.receivedIndexFile).isEmpty())
            continue;
        storage::MailRow entry(copy, message.row.field1().toString(), message.row.subject().toString(),
                               message.row.date().toString());
        entry.unread = message.row.unread;
        entry.saved = message.row.saved;
        entry.attachment = message.row.attachment;
        storage::IniWriteString(folder, copy, storage::BuildIndexValue(entry), m_paths.receivedIndexFile);
        stored.append({folder, copy});
        ++result.changed;
    }
}

ManualFilingResult ManualFiling::apply(storage::MailChangeListener* changes)
{
    ManualFilingResult result;
    result.messages = int(m_next);
    QList<std::tuple<QString, QString, QString>> moved; // name, from, to
    QList<std::pair<QString, QString>> copied;          // folder, name
    {
        storage::ProfileWriteBatch batch;
        for (size_t i = 0; i < m_next; ++i) {
            Message& message = m_messages[i];
            storage::MailRow& row = message.row;
            const FilingDecision& decision = message.decision;
            for (const MissingFolder& missing : decision.missingFolders) {
                if (!result.missingFolders.contains(missing))
                    result.missingFolders.append(missing);
            }
            const QString from = row.tag;
            const bool moves = !decision.folder.isEmpty() && decision.folder != from;
            const bool flags = (decision.markRead && row.unread) || (decision.flag && !row.saved);
            row.unread = row.unread && !decision.markRead;
            row.saved = row.saved || decision.flag;
            if (moves) {
                storage::IniDeleteKey(m_paths.receivedIndexFile, from, row.keyString());
                row.tag = decision.folder;
                moved.append({row.keyString(), from, row.tag});
                ++result.moved;
            }
            if (moves || flags) {
                storage::IniWriteString(row.tag, row.keyString(), storage::BuildIndexValue(row), m_paths.receivedIndexFile);
                ++result.changed;
            }
            writeCopies(message, copied, result);
            if (std::optional<FilingLogEntry> entry = logEntryFor(decision, QStringLiteral("振り分け実行"), row.keyString(),
                                                                  row.field1().toString(), row.subject().toString()))
                m_log.append(*entry);
        }
        if (m_copiesMade)
            platform::syncFolderEntries(m_paths.inputDir);
        result.written = batch.commit();
    }
    if (!result.written)
        return result;
    if (changes) {
        for (const auto& [name, from, to] : std::as_const(moved))
            changes->mailMoved(name, from, to);
        for (const auto& [folder, name] : std::as_const(copied))
            changes->mailStored(folder, name);
    }
    appendFilingLog(filingLogFile(m_paths), m_log);
    m_log.clear();
    return result;
}

} // namespace fumibako::filing
