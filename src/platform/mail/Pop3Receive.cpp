#include "platform/mail/MailFileQueue.h"
#include "platform/mail/MailFileWriter.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/Pop3Session.h"
#include "platform/mail/ServerListEntry.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <memory>

namespace fumibako::platform::mail {

namespace {

const QString InvalidNumber = QStringLiteral("POP3 error -ERR Invalid message number.");
const QString EmptyMailbox = QStringLiteral("No Message+OK 0 0");

enum class Kind { Invalid, Stat, List, SaveAll, SaveAllDelete, Save, SaveDelete, Delete };

struct Command {
    Kind kind = Kind::Invalid;
    int low = 0;
    int high = 0;
};

Command parseCommand(const QString& text)
{
    Command command;
    if (text == QLatin1String("STAT") || text == QLatin1String("LIST") || text == QLatin1String("SAVEALL")
        || text == QLatin1String("SAVEALLD")) {
        command.kind = text == QLatin1String("STAT") ? Kind::Stat
                       : text == QLatin1String("LIST") ? Kind::List
                       : text == QLatin1String("SAVEALL") ? Kind::SaveAll : Kind::SaveAllDelete;
        return command;
    }
    const QString verb = text.left(5);
    const Kind kind = verb == QLatin1String("SAVE ") ? Kind::Save
                      : verb == QLatin1String("SAVD ") ? Kind::SaveDelete
                      : verb == QLatin1String("DELE ") ? Kind::Delete : Kind::Invalid;
    const QStringList bounds = text.mid(5).trimmed().split(QLatin1Char('-'));
    bool lowOk = false;
    bool highOk = false;
    command.low = bounds.value(0).toInt(&lowOk);
    command.high = bounds.size() == 2 ? bounds.at(1).toInt(&highOk) : command.low;
    if (bounds.size() == 1)
        highOk = lowOk;
    if (kind != Kind::Invalid && lowOk && highOk && bounds.size() <= 2)
        command.kind = kind;
    return command;
}

// The numbers low..high that exist among @p count messages; empty when low is not one of them.
QList<int> numbersInRange(const Command& command, int count)
{
    QList<int> numbers;
    if (command.low < 1 || command.low > count || command.high < command.low)
        return numbers;
    for (int n = command.low; n <= std::min(command.high, count); ++n)
        numbers.append(n);
    return numbers;
}

LibraryResult listMessages(Pop3Session& session, int count)
{
    if (count == 0)
        return LibraryResult::ofText(EmptyMailbox);
    QStringList entries;
    QByteArray header;
    for (int n = 1; n <= count; ++n) {
        if (!session.top(n, &header))
            return LibraryResult::ofText(session.failureText());
        entries.append(serverListEntry(header));
    }
    return LibraryResult::ofList(entries);
}

LibraryResult deleteMessages(Pop3Session& session, const QList<int>& numbers)
{
    for (int n : numbers) {
        if (!session.dele(n))
            return LibraryResult::ofText(session.failureText());
    }
    // The deletions take effect with the QUIT the session sends when it ends.
    return LibraryResult::ofText(QStringLiteral("+OK %1 message(s) deleted").arg(numbers.size()));
}

// After a login that ended without QUIT, its DELEs were lost: delete the messages that were saved,
// found again by their unique ids (the numbers may have changed), in a fresh login.
void deleteSavedAgain(const net::ServerAddress& address, const QString& user, const QString& password,
                      const QList<QByteArray>& savedIds)
{
    Pop3Session session(address, user, password);
    QHash<int, QByteArray> current;
    if (savedIds.isEmpty() || !session.uidl(&current))
        return;
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        if (savedIds.contains(it.value()) && !session.dele(it.key()))
            return;
    }
}

struct SaveRun {
    QStringList savedPaths;
    QList<int> savedNumbers;
    QList<QByteArray> savedIds;
    QString error;
    bool stopped = false;
};

// A retrieved message waiting for proof that its connection outlived it.
struct PendingMessage {
    std::unique_ptr<MailFileWriter> writer;
    int number = 0;
};

// Keeps @p pending once its connection proved to have outlived it; its file is written by
// @p files and published at the end.
bool commitPending(SaveRun& run, PendingMessage& pending, const QHash<int, QByteArray>& ids, MailFileQueue& files)
{
    if (!pending.writer)
        return true;
    if (std::optional<QByteArray> bytes = pending.writer->takeWholeMessage()) {
        files.addMessage(std::move(*bytes));
    } else {
        const QString path = pending.writer->commit();
        if (path.isEmpty()) {
            run.error = pending.writer->errorText();
            pending.writer.reset();
            return false;
        }
        files.addFile(path);
    }
    run.savedNumbers.append(pending.number);
    run.savedIds.append(ids.value(pending.number));
    pending.writer.reset();
    return true;
}

// RETR each message into the folder. A message's file appears once the next RETR (or a final
// NOOP) ran on the same connection, which shows that the message was not cut short.
SaveRun saveMessages(Pop3Session& session, const QList<int>& numbers, const QString& folder, bool deleteAfter,
                     const ProgressCallback& progress, const SavedFileCallback& saved)
{
    SaveRun run;
    QHash<int, QByteArray> ids;
    if (deleteAfter)
        session.uidl(&ids); // only needed to finish the deletions should the line drop
    MailFileQueue files(folder, saved);
    PendingMessage pending;
    for (int n : numbers) {
        auto writer = std::make_unique<MailFileWriter>(folder);
        if (!writer->open()) {
            run.error = writer->errorText();
            break;
        }
        const bool retrieved = session.retrieve(n, *writer, progress);
        if (pending.writer && !session.reusedConnection()) {
            run.error = QStringLiteral("POP3 failure: the connection ended in the middle of message %1").arg(pending.number);
            pending.writer.reset();
            break;
        }
        if (!commitPending(run, pending, ids, files))
            break;
        if (!retrieved) {
            run.stopped = session.stopRequested();
            run.error = run.stopped ? QString() : session.failureText();
            break;
        }
        pending = {std::move(writer), n};
        // Every saved message gets at least one report with its full size.
        run.stopped = progress && progress(n, int(std::min<qint64>(pending.writer->size(), INT_MAX))) != 0;
        if (run.stopped)
            break;
    }
    if (pending.writer) {
        if (session.checkConnection(pending.number))
            commitPending(run, pending, ids, files);
        else
            run.error = session.failureText();
    }
    QString writeError;
    run.savedPaths = files.finish(&writeError);
    // Only what was written can be published, and only that may be deleted on the server.
    run.savedNumbers.resize(run.savedPaths.size());
    run.savedIds.resize(run.savedPaths.size());
    if (!writeError.isEmpty() && run.error.isEmpty())
        run.error = writeError;
    run.savedIds.removeAll(QByteArray());
    return run;
}

// The files must be on disk before the server may delete them; DELE takes effect at QUIT.
void deleteSaved(Pop3Session& session, SaveRun& run)
{
    for (int n : run.savedNumbers) {
        if (!session.dele(n)) {
            run.error = session.failureText();
            return;
        }
    }
}

// Ends @p session (its QUIT commits the deletions of a clean login) and hands back the result.
LibraryResult finishSaving(std::unique_ptr<Pop3Session> session, SaveRun& run, bool deleteAfter, const QString& folder,
                           const net::ServerAddress& address, const QString& user, const QString& password)
{
    // Files get their final names only once they are on disk; after any failure here nothing is
    // deleted on the server.
    QString syncError;
    run.savedPaths = MailFileWriter::publish(folder, run.savedPaths, &syncError);
    const bool durable = syncError.isEmpty();
    if (!durable)
        run.error = syncError;
    // Numbers are only safe within the login they came from; after it, the unique ids are used.
    if (deleteAfter && durable && !session->loginEnded())
        deleteSaved(*session, run);
    const bool ended = session->loginEnded();
    session.reset();
    if (deleteAfter && durable && ended)
        deleteSavedAgain(address, user, password, run.savedIds);
    // Saved files are always handed back, even after a later failure, so that none is left unfiled.
    if (!run.savedPaths.isEmpty())
        return LibraryResult::ofList(run.savedPaths);
    return LibraryResult::ofText(run.error);
}

QString folderOf(const QString& directory)
{
    QString folder = directory;
    if (folder.startsWith(QLatin1Char('<')) || folder.startsWith(QLatin1Char('>')))
        folder.remove(0, 1);
    return folder;
}

} // namespace

LibraryResult RcvMail2(const QString& server, const QString& user, const QString& password, const QString& command,
                       const QString& directory, const ProgressCallback& progress)
{
    return RcvMail2(server, user, password, command, directory, progress, {});
}

LibraryResult RcvMail2(const QString& server, const QString& user, const QString& password, const QString& command,
                       const QString& directory, const ProgressCallback& progress, const SavedFileCallback& saved)
{
    const Command parsed = parseCommand(command);
    if (parsed.kind == Kind::Invalid)
        return LibraryResult::ofText(QStringLiteral("Unknown command: ") + command);
    const net::ServerAddress address = net::parseServer(server, net::Protocol::Pop3);
    if (!address.valid)
        return LibraryResult::ofText(QStringLiteral("Cant connect Server (invalid server name: %1)").arg(server));
    const bool saving = parsed.kind == Kind::SaveAll || parsed.kind == Kind::SaveAllDelete || parsed.kind == Kind::Save
                        || parsed.kind == Kind::SaveDelete;
    const QString folder = folderOf(directory);
    if (saving && !QFileInfo(folder).isDir())
        return LibraryResult::ofText(QStringLiteral("Folder not found: ") + folder);

    auto session = std::make_unique<Pop3Session>(address, user, password);
    int count = 0;
    qint64 bytes = 0;
    if (!session->stat(&count, &bytes))
        return LibraryResult::ofText(session->failureText());
    if (parsed.kind == Kind::Stat)
        return LibraryResult::ofList({QStringLiteral("%1 %2").arg(count).arg(bytes)});
    if (parsed.kind == Kind::List)
        return listMessages(*session, count);
    if (parsed.kind == Kind::Delete && count == 0)
        return LibraryResult::ofText(EmptyMailbox);
    if (count == 0)
        return LibraryResult::ofText(QString());
    const bool all = parsed.kind == Kind::SaveAll || parsed.kind == Kind::SaveAllDelete;
    const QList<int> numbers = numbersInRange(all ? Command{parsed.kind, 1, count} : parsed, count);
    if (numbers.isEmpty())
        return LibraryResult::ofText(InvalidNumber);
    if (parsed.kind == Kind::Delete)
        return deleteMessages(*session, numbers);
    const bool deleteAfter = parsed.kind == Kind::SaveAllDelete || parsed.kind == Kind::SaveDelete;
    SaveRun run = saveMessages(*session, numbers, folder, deleteAfter, progress, saved);
    return finishSaving(std::move(session), run, deleteAfter, folder, address, user, password);
}

} // namespace fumibako::platform::mail
