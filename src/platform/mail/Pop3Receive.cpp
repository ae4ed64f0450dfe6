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
    QList<int> numbers;
    for (int n = 1; n <= count; ++n)
        numbers.append(n);
    QList<QByteArray> headers;
    QString refusal;
    if (!session.headers(numbers, &headers, &refusal))
        return LibraryResult::ofText(refusal.isEmpty() ? session.failureText() : refusal);
    QStringList entries;
    for (const QByteArray& header : std::as_const(headers))
        entries.append(serverListEntry(header));
    return LibraryResult::ofList(entries);
}

LibraryResult deleteMessages(Pop3Session& session, const QList<int>& numbers)
{
    session.deleteMessages(numbers);
    if (!session.failureText().isEmpty())
        return LibraryResult::ofText(session.failureText());
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
    Pop3Mailbox mailbox;
    if (!session.logIn({.ids = true}, &mailbox))
        return;
    const QSet<QByteArray> wanted(ids.cbegin(), ids.cend());
    QList<int> numbers;
    for (auto it = mailbox.ids.cbegin(); it != mailbox.ids.cend(); ++it) {
        if (wanted.contains(it.value()))
            numbers.append(it.key());
    }
    std::sort(numbers.begin(), numbers.end());
    session.deleteMessages(numbers);
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

// Hands a retrieved message to @p files, which writes it into the staging folder.
bool keepRetrieved(SaveRun& run, int number, MailFileWriter& message, MailFileQueue& files)
{
    if (std::optional<QByteArray> bytes = message.takeWholeMessage()) {
        files.addMessage(std::move(*bytes));
    } else {
        const QString path = message.commit();
        if (path.isEmpty()) {
            run.error = message.errorText();
            return false;
        }
        files.addFile(path);
    }
    run.stagedNumbers.append(number);
    return true;
}

// RETR each message into the staging folder (pipelined when the server allows it). A message
// counts once its last line came in; one the server refuses stays on the server.
SaveRun saveMessages(Pop3Session& session, const QList<int>& numbers, const QString& staging,
                     const Pop3Mailbox& mailbox, const ProgressCallback& progress, const SavedFileCallback& saved)
{
    SaveRun run;
    MailFileQueue files(staging, saved);
    session.retrieve(numbers, mailbox.sizes, staging, progress,
                     [&](int number, std::unique_ptr<MailFileWriter> message) {
                         return keepRetrieved(run, number, *message, files);
                     });
    run.stopped = session.stopRequested();
    if (run.error.isEmpty() && !run.stopped)
        run.error = session.failureText();
    QString writeError;
    const QStringList paths = files.finish(&writeError);
    // Only what was written can be published, and only that may be deleted on the server.
    run.stagedNumbers.resize(paths.size());
    for (qsizetype i = 0; i < paths.size(); ++i)
        run.staged.append({mailbox.ids.value(run.stagedNumbers.at(i)), paths.at(i)});
    if (!writeError.isEmpty() && run.error.isEmpty())
        run.error = writeError;
    return run;
}

// DELE of @p numbers in this login; the deletions take effect at the QUIT that ends it.
void deleteInLogin(Pop3Session& session, QList<int> numbers, QString* error)
{
    std::sort(numbers.begin(), numbers.end());
    session.deleteMessages(numbers);
    if (error->isEmpty())
        *error = session.failureText();
}

// Deletes @p numbers on the server: in this login when it is still open (its QUIT, as
// @p session ends, commits them), else by their unique ids in a new one.
void deleteOnServer(std::unique_ptr<Pop3Session> session, const QList<int>& numbers, const ServerIds& ids,
                    const Login& login, QString* error)
{
    // Numbers are only safe within the login they came from; after it, the unique ids are used.
    if (!session->loginEnded())
        deleteInLogin(*session, numbers, error);
    crashPoint("deleted");
    const bool ended = session->loginEnded();
    session.reset();
    if (ended)
        deleteByIdAgain(login, idsOf(numbers, ids));
}

// Asks @p screen about @p numbers, with their headers (TOP n 0), before any is fetched: the
// numbers to fetch; those to delete unfetched go to @p deleteUnfetched. When the headers cannot
// be had, everything is fetched and nothing decided at the server.
QList<int> screenAtServer(Pop3Session& session, const QList<int>& numbers, const Pop3Mailbox& mailbox,
                          const ServerScreen& screen, QList<int>* deleteUnfetched)
{
    QList<QByteArray> headers;
    QString refusal;
    if (!screen || numbers.isEmpty() || !session.headers(numbers, &headers, &refusal))
        return numbers;
    QList<ServerMessage> messages;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const int n = numbers.at(i);
        messages.append({n, mailbox.ids.value(n), mailbox.sizes.value(n), headers.at(i)});
    }
    const QList<ServerAction> actions = screen(messages);
    QList<int> toFetch;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const ServerAction action = actions.value(i, ServerAction::Fetch);
        if (action == ServerAction::Fetch)
            toFetch.append(numbers.at(i));
        else if (action == ServerAction::Delete)
            deleteUnfetched->append(numbers.at(i));
    }
    return toFetch;
}

// The saving commands. The server is told to delete only what was published without a failure;
// @p session ends here (its QUIT commits the deletions of a clean login).
QStringList receiveMessages(std::unique_ptr<Pop3Session> session, const Command& command, const Pop3Mailbox& mailbox,
                            ReceiveFolder& receiving, const Login& login, const ProgressCallback& progress,
                            const ReceiveOptions& options, QString* error)
{
    const bool deleteAfter = command.kind == Kind::SaveAllDelete || command.kind == Kind::SaveDelete;
    const int count = mailbox.count;
    const ServerIds& ids = mailbox.ids; // empty for a server without UIDL: everything is fetched
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
    QList<int> newMessages;
    QList<int> received;
    for (int n : numbers) {
        const bool known = ids.contains(n) && receiving.record().contains(ids.value(n));
        (known ? received : newMessages).append(n);
    }
    QList<int> toDelete;
    const QList<int> toFetch = screenAtServer(*session, newMessages, mailbox, options.screen, &toDelete);
    if (deleteAfter)
        toDelete.append(received);
    SaveRun run = saveMessages(*session, toFetch, receiving.stagingFolder(), mailbox, progress, options.saved);
    QString commitError;
    const QStringList published = receiving.commit(run.staged, &commitError);
    if (!commitError.isEmpty() && run.error.isEmpty())
        run.error = commitError;
    if (deleteAfter)
        toDelete.append(run.stagedNumbers);
    if (!toDelete.isEmpty() && commitError.isEmpty())
        deleteOnServer(std::move(session), toDelete, ids, login, &run.error);
    session.reset();
    crashPoint("received");
    *error = run.error;
    return published;
}

// STAT with a record: only the messages not received yet count, and of those, with a screen,
// only what a receive would fetch (a message the rules leave on the server is no new mail).
LibraryResult countNewMessages(Pop3Session& session, const Pop3Mailbox& mailbox, const ReceiveFolder* receiving,
                               const ServerScreen& screen)
{
    if (mailbox.count == 0 || !receiving || !receiving->keepsRecord() || mailbox.ids.isEmpty()
        || mailbox.sizes.isEmpty())
        return LibraryResult::ofList({QStringLiteral("%1 %2").arg(mailbox.count).arg(mailbox.bytes)});
    QList<int> newMessages;
    for (auto it = mailbox.ids.cbegin(); it != mailbox.ids.cend(); ++it) {
        if (!receiving->record().contains(it.value()))
            newMessages.append(it.key());
    }
    std::sort(newMessages.begin(), newMessages.end());
    QList<int> unused;
    const QList<int> counted = screenAtServer(session, newMessages, mailbox, screen, &unused);
    qint64 newBytes = 0;
    for (int n : counted)
        newBytes += mailbox.sizes.value(n);
    return LibraryResult::ofList({QStringLiteral("%1 %2").arg(counted.size()).arg(newBytes)});
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
    // The listings the command needs go in one go with STAT where the server pipelines.
    const bool deleteAfter = parsed.kind == Kind::SaveAllDelete || parsed.kind == Kind::SaveDelete;
    const bool counting = parsed.kind == Kind::Stat && receiving && receiving->keepsRecord();
    Pop3Session::Listings wanted;
    wanted.ids = counting || (saving && (receiving->keepsRecord() || deleteAfter || options.screen));
    wanted.sizes = counting || (saving && options.screen);
    wanted.windowSizes = saving;
    net::Credentials credentials{user, password, options.bearerToken};
    auto session = std::make_unique<Pop3Session>(address, credentials);
    Pop3Mailbox mailbox;
    bool loggedIn = session->logIn(wanted, &mailbox);
    if (!loggedIn && session->offersOAuthBearerInstead()) {
        credentials.bearerMechanism = "OAUTHBEARER";
        session = std::make_unique<Pop3Session>(address, credentials);
        loggedIn = session->logIn(wanted, &mailbox);
    }
    if (!loggedIn) {
        LibraryResult failed = saving ? savedFiles(recovered, {}, session->failureText())
                                      : LibraryResult::ofText(session->failureText());
        failed.loginRefused = session->loginRefused();
        return failed;
    }
    if (parsed.kind == Kind::Stat)
        return countNewMessages(*session, mailbox, receiving ? &*receiving : nullptr, options.screen);
    if (parsed.kind == Kind::List)
        return listMessages(*session, mailbox.count);
    if (parsed.kind == Kind::Delete) {
        if (mailbox.count == 0)
            return LibraryResult::ofText(EmptyMailbox);
        const QList<int> numbers = numbersInRange(parsed, mailbox.count);
        return numbers.isEmpty() ? LibraryResult::ofText(InvalidNumber) : deleteMessages(*session, numbers);
    }
    QString error;
    const QStringList published = receiveMessages(std::move(session), parsed, mailbox, *receiving,
                                                  {address, credentials}, progress, options, &error);
    return savedFiles(recovered, published, error);
}

bool finishReceivedBatch(const QString& recordFile, QString* error)
{
    return ReceiveFolder::finishBatch(recordFile, error);
}

} // namespace fumibako::platform::mail
