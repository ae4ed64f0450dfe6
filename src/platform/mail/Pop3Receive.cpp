#include "platform/CrashPoint.h"
#include "platform/mail/MailFileQueue.h"
#include "platform/mail/MailFileWriter.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/Pop3Session.h"
#include "platform/mail/ReceiveFolder.h"
#include "platform/mail/ServerListEntry.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>

namespace fumibako::platform::mail {

namespace {

const QString InvalidNumber = QStringLiteral("POP3 error -ERR Invalid message number.");
const QString EmptyMailbox = QStringLiteral("No Message+OK 0 0");

// What a second login needs.
struct Login {
    net::ServerAddress address;
    net::Credentials credentials;
};

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

// After a login that ended without QUIT, its DELEs were lost: delete the messages again, found
// by their unique ids (the numbers may have changed), in a fresh login.
void deleteByIdAgain(const Login& login, const QList<QByteArray>& ids)
{
    if (ids.isEmpty())
        return;
    Pop3Session session(login.address, login.credentials);
    QHash<int, QByteArray> current;
    if (!session.uidl(&current))
        return;
    const QSet<QByteArray> wanted(ids.cbegin(), ids.cend());
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        if (wanted.contains(it.value()) && !session.dele(it.key()))
            return;
    }
}

// What the server holds: its messages' unique ids by number; empty when it offers no UIDL.
using ServerIds = QHash<int, QByteArray>;

// The ids of @p numbers among @p ids.
QList<QByteArray> idsOf(const QList<int>& numbers, const ServerIds& ids)
{
    QList<QByteArray> result;
    for (int n : numbers) {
        if (ids.contains(n))
            result.append(ids.value(n));
    }
    return result;
}

struct SaveRun {
    QList<StagedMessage> staged; // complete in the staging folder, in order
    QList<int> stagedNumbers;
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
bool commitPending(SaveRun& run, PendingMessage& pending, MailFileQueue& files)
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
    run.stagedNumbers.append(pending.number);
    pending.writer.reset();
    return true;
}

// RETR each message into the staging folder. A message's file counts once the next RETR (or a
// final NOOP) ran on the same connection, which shows that the message was not cut short.
SaveRun saveMessages(Pop3Session& session, const QList<int>& numbers, const QString& staging, const ServerIds& ids,
                     const ProgressCallback& progress, const SavedFileCallback& saved)
{
    SaveRun run;
    MailFileQueue files(staging, saved);
    PendingMessage pending;
    for (int n : numbers) {
        auto writer = std::make_unique<MailFileWriter>(staging);
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
        if (!commitPending(run, pending, files))
            break;
        if (!retrieved) {
            run.stopped = session.stopRequested();
            run.error = run.stopped ? QString() : session.failureText();
            break;
        }
        crashPoint("retrieved", int(run.stagedNumbers.size()) + 1);
        pending = {std::move(writer), n};
        // Every saved message gets at least one report with its full size.
        run.stopped = progress && progress(n, int(std::min<qint64>(pending.writer->size(), INT_MAX))) != 0;
        if (run.stopped)
            break;
    }
    if (pending.writer) {
        if (session.checkConnection(pending.number))
            commitPending(run, pending, files);
        else
            run.error = session.failureText();
    }
    QString writeError;
    const QStringList paths = files.finish(&writeError);
    // Only what was written can be published, and only that may be deleted on the server.
    run.stagedNumbers.resize(paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i)
        run.staged.append({ids.value(run.stagedNumbers.at(i)), paths.at(i)});
    if (!writeError.isEmpty() && run.error.isEmpty())
        run.error = writeError;
    return run;
}

// DELE of @p numbers in this login; the deletions take effect at the QUIT that ends it.
void deleteInLogin(Pop3Session& session, QList<int> numbers, QString* error)
{
    std::sort(numbers.begin(), numbers.end());
    for (int n : numbers) {
        if (!session.dele(n)) {
            *error = session.failureText();
            return;
        }
    }
}

// The saving commands. The server is told to delete only what was published without a failure;
// @p session ends here (its QUIT commits the deletions of a clean login).
QStringList receiveMessages(std::unique_ptr<Pop3Session> session, const Command& command, int count,
                            ReceiveFolder& receiving, const Login& login,
                            const ProgressCallback& progress, const SavedFileCallback& saved, QString* error)
{
    const bool deleteAfter = command.kind == Kind::SaveAllDelete || command.kind == Kind::SaveDelete;
    ServerIds ids;
    if (count > 0 && (receiving.keepsRecord() || deleteAfter) && !session->uidl(&ids))
        ids.clear(); // a server without UIDL: everything is fetched, as without a record
    if (receiving.keepsRecord() && (count == 0 || !ids.isEmpty())) {
        // Ids no longer on the server will never come again.
        const QList<QByteArray> present = ids.values();
        if (receiving.record().keepOnly(QSet<QByteArray>(present.cbegin(), present.cend())))
            receiving.recordChanged();
    }
    const bool all = command.kind == Kind::SaveAll || command.kind == Kind::SaveAllDelete;
    const QList<int> numbers = count == 0 ? QList<int>() : numbersInRange(all ? Command{command.kind, 1, count} : command, count);
    if (count > 0 && numbers.isEmpty()) {
        *error = InvalidNumber;
        receiving.saveRecord(error);
        return {};
    }
    QList<int> toFetch;
    QList<int> toDelete;
    for (int n : numbers) {
        const bool received = ids.contains(n) && receiving.record().contains(ids.value(n));
        (received ? toDelete : toFetch).append(n);
    }
    SaveRun run = saveMessages(*session, toFetch, receiving.stagingFolder(), ids, progress, saved);
    QString commitError;
    const QStringList published = receiving.commit(run.staged, &commitError);
    if (!commitError.isEmpty() && run.error.isEmpty())
        run.error = commitError;
    if (deleteAfter && commitError.isEmpty()) {
        toDelete.append(run.stagedNumbers);
        // Numbers are only safe within the login they came from; after it, the unique ids are used.
        if (!session->loginEnded())
            deleteInLogin(*session, toDelete, &run.error);
        crashPoint("deleted");
        const bool ended = session->loginEnded();
        session.reset();
        if (ended)
            deleteByIdAgain(login, idsOf(toDelete, ids));
    }
    session.reset();
    crashPoint("received");
    *error = run.error;
    return published;
}

// STAT with a record: only the messages not received yet count.
LibraryResult countNewMessages(Pop3Session& session, int count, qint64 bytes, ReceiveFolder& receiving)
{
    ServerIds ids;
    QHash<int, qint64> sizes;
    if (count == 0 || !receiving.keepsRecord() || !session.uidl(&ids) || ids.isEmpty() || !session.sizes(&sizes))
        return LibraryResult::ofList({QStringLiteral("%1 %2").arg(count).arg(bytes)});
    int newCount = 0;
    qint64 newBytes = 0;
    for (auto it = ids.cbegin(); it != ids.cend(); ++it) {
        if (!receiving.record().contains(it.value())) {
            ++newCount;
            newBytes += sizes.value(it.key());
        }
    }
    return LibraryResult::ofList({QStringLiteral("%1 %2").arg(newCount).arg(newBytes)});
}

QString folderOf(const QString& directory)
{
    QString folder = directory;
    if (folder.startsWith(QLatin1Char('<')) || folder.startsWith(QLatin1Char('>')))
        folder.remove(0, 1);
    return folder;
}

// The saved files of a receive: those of an earlier receive first, then the new ones.
LibraryResult savedFiles(const QStringList& recovered, const QStringList& published, const QString& error)
{
    if (recovered.isEmpty() && published.isEmpty())
        return LibraryResult::ofText(error);
    LibraryResult result = LibraryResult::ofList(recovered + published);
    result.recovered = int(recovered.size());
    // Saved files are always handed back, even after a later failure, so that none is left unfiled.
    result.stoppedEarly = error == InvalidNumber ? QString() : error;
    return result;
}

} // namespace

LibraryResult RcvMail2(const QString& server, const QString& user, const QString& password, const QString& command,
                       const QString& directory, const ProgressCallback& progress)
{
    return RcvMail2(server, user, password, command, directory, progress, ReceiveOptions{});
}

LibraryResult RcvMail2(const QString& server, const QString& user, const QString& password, const QString& command,
                       const QString& directory, const ProgressCallback& progress, const ReceiveOptions& options)
{
    const Command parsed = parseCommand(command);
    if (parsed.kind == Kind::Invalid)
        return LibraryResult::ofText(QStringLiteral("Unknown command: ") + command);
    const bool apop = options.bearerToken.isEmpty() && password.startsWith(QLatin1String("a "));
    const net::ServerAddress address = net::parseServer(server, net::Protocol::Pop3, options.security, apop);
    if (!address.valid)
        return LibraryResult::ofText(QStringLiteral("Cant connect Server (invalid server name: %1)").arg(server));
    const bool saving = parsed.kind == Kind::SaveAll || parsed.kind == Kind::SaveAllDelete || parsed.kind == Kind::Save
                        || parsed.kind == Kind::SaveDelete;
    const QString folder = folderOf(directory);
    if (saving && !QFileInfo(folder).isDir())
        return LibraryResult::ofText(QStringLiteral("Folder not found: ") + folder);

    // Receiving and counting finish what an earlier receive of the account left first.
    std::optional<ReceiveFolder> receiving;
    if (saving || (parsed.kind == Kind::Stat && QFileInfo(folder).isDir())) {
        receiving.emplace(folder, options.recordFile);
        QString error;
        if (!receiving->open(&error))
            return LibraryResult::ofText(error);
    }
    const QStringList recovered = receiving ? receiving->recoveredPaths() : QStringList();
    net::Credentials credentials{user, password, options.bearerToken};
    auto session = std::make_unique<Pop3Session>(address, credentials);
    int count = 0;
    qint64 bytes = 0;
    bool loggedIn = session->stat(&count, &bytes);
    if (!loggedIn && session->offersOAuthBearerInstead()) {
        credentials.bearerMechanism = "OAUTHBEARER";
        session = std::make_unique<Pop3Session>(address, credentials);
        loggedIn = session->stat(&count, &bytes);
    }
    if (!loggedIn) {
        LibraryResult failed = saving ? savedFiles(recovered, {}, session->failureText())
                                      : LibraryResult::ofText(session->failureText());
        failed.loginRefused = session->loginRefused();
        return failed;
    }
    if (parsed.kind == Kind::Stat)
        return receiving ? countNewMessages(*session, count, bytes, *receiving)
                         : LibraryResult::ofList({QStringLiteral("%1 %2").arg(count).arg(bytes)});
    if (parsed.kind == Kind::List)
        return listMessages(*session, count);
    if (parsed.kind == Kind::Delete) {
        if (count == 0)
            return LibraryResult::ofText(EmptyMailbox);
        const QList<int> numbers = numbersInRange(parsed, count);
        return numbers.isEmpty() ? LibraryResult::ofText(InvalidNumber) : deleteMessages(*session, numbers);
    }
    QString error;
    const QStringList published = receiveMessages(std::move(session), parsed, count, *receiving,
                                                  {address, credentials}, progress, options.saved, &error);
    return savedFiles(recovered, published, error);
}

bool finishReceivedBatch(const QString& recordFile, QString* error)
{
    return ReceiveFolder::finishBatch(recordFile, error);
}

} // namespace fumibako::platform::mail
