#include "transfer/Receiving.h"

#include "filing/AccountFolders.h"
#include "filing/RuleFile.h"
#include "platform/UserPrompts.h"
#include "transfer/AccountLogin.h"
#include "transfer/OperationGuard.h"
#include "transfer/ReceiveUi.h"
#include "transfer/ServerScreening.h"

namespace fumibako::transfer {

using platform::mail::LibraryResult;

namespace {

struct ServerCommand {
    QString command;
    QString directory;
};

ServerCommand commandFor(ServerMode mode, const QString& number, const QString& inputDir)
{
    const QString in = QLatin1Char('<') + inputDir;
    switch (mode) {
    case ServerMode::Count: return {QStringLiteral("STAT"), in};
    case ServerMode::FetchOne: return {QStringLiteral("SAVE ") + number, QLatin1Char('>') + inputDir};
    case ServerMode::Save: return {QStringLiteral("SAVE ") + number, in};
    case ServerMode::SaveDelete: return {QStringLiteral("SAVD ") + number, in};
    case ServerMode::SaveAll: return {QStringLiteral("SAVEALL"), in};
    case ServerMode::SaveAllDelete: return {QStringLiteral("SAVEALLD"), in};
    case ServerMode::List: return {QStringLiteral("LIST"), in};
    case ServerMode::Delete: return {QStringLiteral("DELE ") + number, in};
    }
    return {};
}

bool savesFiles(ServerMode mode)
{
    return mode == ServerMode::FetchOne || mode == ServerMode::Save || mode == ServerMode::SaveDelete
        || mode == ServerMode::SaveAll || mode == ServerMode::SaveAllDelete;
}

bool receivesEverythingNew(ServerMode mode)
{
    return mode == ServerMode::SaveAll || mode == ServerMode::SaveAllDelete;
}

bool showsProgress(ServerMode mode)
{
    return receivesEverythingNew(mode);
}

} // namespace

Receiver::Receiver(OperationGuard& guard, platform::UserPrompts& prompts, ReceiveUi& ui, CurrentMail& currentMail,
                   QObject* parent)
    : QObject(parent), m_guard(guard), m_prompts(prompts), m_ui(ui), m_currentMail(currentMail)
{
    connect(&m_runner, &TransferRunner::progress, this, &Receiver::onProgress);
}

bool Receiver::StartReceive(storage::ReceiveMethod method, Done done)
{
    using storage::ReceiveMethod;
    if (!m_guard.AcquireOperation(method == ReceiveMethod::ReceiveAndDelete ? Operation::ReceivingAndDeleting
                                                                             : Operation::Receiving))
        return false;
    auto finish = [this, done](ReceiveResult result) {
        m_guard.release();
        if (done)
            done(result);
    };
    if (method == ReceiveMethod::CountOnly) {
        RunServerCommand(ServerMode::Count, QString(), [this, finish](ReceiveResult result) {
            if (result == ReceiveResult::WantsReceive)
                RunServerCommand(ServerMode::SaveAll, QString(), finish);
            else
                finish(result);
        });
    } else {
        RunServerCommand(method == ReceiveMethod::ReceiveAll ? ServerMode::SaveAll : ServerMode::SaveAllDelete,
                         QString(), finish);
    }
    return true;
}

void Receiver::RunServerCommand(ServerMode mode, const QString& number, Done done)
{
    const ServerCommand command = commandFor(mode, number, m_account.paths.inputDir);
    if (command.command.isEmpty() || m_runner.isRunning() || !m_account.properties) {
        // Callers hold the guard, so a second command cannot arrive; refuse rather than queue.
        if (done)
            done(ReceiveResult::Error);
        return;
    }
    m_figures = ProgressFigures();
    m_stoppedEarly.clear();
    m_savedCount = 0;
    m_filedElsewhere = 0;
    m_junkCount = 0;
    m_junkExpired = 0;
    m_fileWorker.reset();
    m_engine.reset();
    m_screen = {};
    if (savesFiles(mode))
        prepareFiling(mode);
    else if (mode == ServerMode::Count)
        m_screen = makeCountingScreen(filing::readRules(filing::rulesFile(m_account.paths)));
    if (showsProgress(mode)) {
        m_ui.showProgress(m_figures);
        m_progressShown = true;
    }
    CallReceiveLibrary(command.command, command.directory,
                       [this, mode, done](const std::optional<LibraryResult>& result) {
                           commandFinished(mode, result, done);
                       });
}

void Receiver::commandFinished(ServerMode mode, const std::optional<LibraryResult>& result, const Done& done)
{
    if (m_progressShown) {
        m_ui.closeProgress();
        m_progressShown = false;
    }
    ReceiveResult outcome = ReceiveResult::NothingNew;
    if (!result) {
        // The password prompt was cancelled, or there was no access token (and that was said):
        // nothing was asked of the server.
        outcome = m_noSignIn ? ReceiveResult::Error : ReceiveResult::NothingNew;
        m_prompts.setStatus(1, m_noSignIn ? QStringLiteral("エラー") : QString());
    } else {
        if (mode == ServerMode::Count)
            outcome = handleCount(*result);
        else if (mode == ServerMode::List || mode == ServerMode::Delete)
            outcome = handleList(*result);
        else
            outcome = handleSave(mode, *result);
        ReportReceiveOutcome(outcome, *result);
    }
    m_fileWorker.reset();
    m_engine.reset();
    m_screen = {};
    if (done)
        done(outcome);
}

void Receiver::prepareFiling(ServerMode mode)
{
    filing::AccountFiling filing;
    filing.rules = filing::readRules(filing::rulesFile(m_account.paths));
    // Only a receive of everything new is screened: a message the user fetches by its number
    // from the server list is fetched whatever the rules say of it.
    if (receivesEverythingNew(mode))
        m_screen = makeServerScreen(filing.rules, m_account.paths);
    filing.folderExists = m_account.folderExists ? m_account.folderExists : filing::storedFolders(m_account.paths);
    filing.addressBook = m_account.addressBook;
    if (m_account.junkFilter) {
        m_junkSettings = filing::readJunkSettings(m_account.paths.userFile);
        filing.junkFilter = m_account.junkFilter;
        filing.junkSettings = &m_junkSettings;
    }
    m_engine = filing::makeAccountEngine(filing);
    // What the rules read of each message is read while the download goes on.
    m_fileWorker = std::make_shared<ReceivedFileWorker>(m_engine->needs());
}

bool Receiver::preparePassword()
{
    storage::AccountProperties& p = *m_account.properties;
    const QString apopPrefix = p.apop != 0 ? QStringLiteral("a ") : QString();
    if (!p.password.isEmpty()) {
        m_callPassword = apopPrefix + p.password;
        return true;
    }
    const std::optional<PasswordAnswer> answer = m_ui.askPassword();
    if (!answer)
        return false;
    m_callPassword = apopPrefix + answer->password;
    keepPassword(p, m_account.paths.userFile, *answer);
    return true;
}

void Receiver::prepareLogin(bool afterRefusal, std::function<void(bool ready)> ready)
{
    m_noSignIn = false;
    m_callToken.clear();
    const storage::AccountProperties& p = *m_account.properties;
    if (p.oauthProvider.isEmpty())
        return ready(preparePassword());
    m_callPassword.clear();
    tokenForTransfer(m_runner, m_account.paths.userFile, p, m_prompts, afterRefusal,
                     [this, ready = std::move(ready)](const std::optional<QString>& token) {
                         m_noSignIn = !token;
                         m_callToken = token.value_or(QString());
                         ready(token.has_value());
                     });
}

void Receiver::CallReceiveLibrary(const QString& command, const QString& directory, LibraryDone done)
{
    callLibrary(command, directory, std::move(done), false);
}

void Receiver::callLibrary(const QString& command, const QString& directory, LibraryDone done, bool afterRefusal)
{
    m_cancelBeforeCall = false;
    prepareLogin(afterRefusal, [this, command, directory, done, afterRefusal](bool ready) {
        // A cancelled prompt stops here: the previous call's password may belong to another
        // account and its server, so it is never sent again in its place.
        if (!ready)
            done(std::nullopt);
        else
            startLibraryCall(command, directory, done, afterRefusal);
    });
}

void Receiver::startLibraryCall(const QString& command, const QString& directory, const LibraryDone& done,
                                bool afterRefusal)
{
    const storage::AccountProperties& p = *m_account.properties;
    const QString server = platform::mail::serverArgument(p.pop3Server, p.popPortGiven != 0, QString::number(p.popPort));
    const QString user = m_account.properties->loginName;
    const QString password = m_callPassword;
    const bool signsIn = !m_callToken.isEmpty();
    platform::mail::ReceiveOptions options;
    options.bearerToken = m_callToken;
    options.security = m_account.properties->security.pop3;
    options.recordFile = m_account.paths.receivedIdsFile;
    options.screen = m_screen;
    if (std::shared_ptr<ReceivedFileWorker> fileWorker = m_fileWorker) {
        options.saved = [fileWorker](int position, const QString& path) { fileWorker->add(position, path); };
    }
    m_runner.start(
        [server, user, password, command, directory, options](const platform::mail::ProgressCallback& progress) {
            return platform::mail::RcvMail2(server, user, password, command, directory, progress, options);
        },
        [this, done, command, directory, afterRefusal, signsIn](const LibraryResult& result) {
            // An access token the server refused is renewed once, without asking.
            if (signsIn && result.loginRefused && !result.isList && !afterRefusal)
                callLibrary(command, directory, done, true);
            else
                done(result);
        });
    // A cancel while the sign-in was renewed stops the call at its first report.
    if (m_cancelBeforeCall)
        m_runner.requestCancel();
}

void Receiver::onProgress(int messageNumber, int bytes)
{
    m_prompts.setStatus(1, QStringLiteral("受信中"));
    m_figures.Sintyoku(messageNumber, bytes);
    m_ui.updateProgress(m_figures);
}

ReceiveResult runServerCommandAndWait(Receiver& receiver, ServerMode mode, const QString& number)
{
    ReceiveResult outcome = ReceiveResult::Error;
    waitUntilDone([&](std::function<void()> done) {
        receiver.RunServerCommand(mode, number, [&outcome, done](ReceiveResult result) {
            outcome = result;
            done();
        });
    });
    return outcome;
}

std::optional<ReceiveResult> startReceiveAndWait(Receiver& receiver, storage::ReceiveMethod method)
{
    std::optional<ReceiveResult> ended;
    waitUntilDone([&](std::function<void()> done) {
        const bool started = receiver.StartReceive(method, [&ended, done](ReceiveResult result) {
            ended = result;
            done();
        });
        if (!started)
            done();
    });
    return ended;
}

} // namespace fumibako::transfer
