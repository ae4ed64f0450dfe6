#include "transfer/Receiving.h"

#include "platform/UserPrompts.h"
#include "transfer/AccountLogin.h"
#include "transfer/OperationGuard.h"
#include "transfer/ReceiveUi.h"

namespace fumibako::transfer {

using platform::mail::LibraryResult;

namespace {

struct ServerCommand {
    QString command;
    QString directory;
};

ServerCommand commandFor(int mode, const QString& number, const QString& inputDir)
{
    const QString in = QLatin1Char('<') + inputDir;
    switch (mode) {
    case kModeCount: return {QStringLiteral("STAT"), in};
    case kModeFetchOne: return {QStringLiteral("SAVE ") + number, QLatin1Char('>') + inputDir};
    case kModeSave: return {QStringLiteral("SAVE ") + number, in};
    case kModeSaveDelete: return {QStringLiteral("SAVD ") + number, in};
    case kModeSaveAll: return {QStringLiteral("SAVEALL"), in};
    case kModeSaveAllDelete: return {QStringLiteral("SAVEALLD"), in};
    case kModeList: return {QStringLiteral("LIST"), in};
    case kModeDelete: return {QStringLiteral("DELE ") + number, in};
    default: return {};
    }
}

bool savesFiles(int mode)
{
    return mode == kModeFetchOne || mode == kModeSave || mode == kModeSaveDelete || mode == kModeSaveAll
           || mode == kModeSaveAllDelete;
}

bool showsProgress(int mode)
{
    return mode == kModeSaveAll || mode == kModeSaveAllDelete;
}

} // namespace

Receiver::Receiver(OperationGuard& guard, platform::UserPrompts& prompts, ReceiveUi& ui, CurrentMail& currentMail,
                   QObject* parent)
    : QObject(parent), m_guard(guard), m_prompts(prompts), m_ui(ui), m_currentMail(currentMail)
{
    connect(&m_runner, &TransferRunner::progress, this, &Receiver::onProgress);
}

bool Receiver::StartReceive(int method, std::function<void()> done)
{
    if (method < storage::kCountOnly || method > storage::kReceiveAndDelete)
        return false;
    const qint16 code = method == storage::kReceiveAndDelete ? kReceivingAndDeleting : kReceiving;
    if (!m_guard.AcquireOperation(code))
        return false;
    auto finish = [this, done](int) {
        m_guard.release();
        if (done)
            done();
    };
    if (method == storage::kCountOnly) {
        RunServerCommand(kModeCount, QString(), [this, finish](int code) {
            if (code == kResultWantsReceive)
                RunServerCommand(kModeSaveAll, QString(), finish);
            else
                finish(code);
        });
    } else {
        RunServerCommand(method == storage::kReceiveAll ? kModeSaveAll : kModeSaveAllDelete, QString(), finish);
    }
    return true;
}

void Receiver::RunServerCommand(int mode, const QString& number, Done done)
{
    const ServerCommand command = commandFor(mode, number, m_account.paths.inputDir);
    if (command.command.isEmpty() || m_runner.isRunning() || !m_account.properties) {
        // Callers hold the guard, so a second command cannot arrive; refuse rather than queue.
        if (done)
            done(kResultError);
        return;
    }
    m_figures = ProgressFigures();
    m_stoppedEarly.clear();
    m_savedCount = 0;
    m_fileWorker = savesFiles(mode) ? std::make_shared<ReceivedFileWorker>() : nullptr;
    if (showsProgress(mode)) {
        m_ui.showProgress(m_figures);
        m_progressShown = true;
    }
    CallReceiveLibrary(command.command, command.directory,
                       [this, mode, done](const std::optional<LibraryResult>& result) {
                           commandFinished(mode, result, done);
                       });
}

void Receiver::commandFinished(int mode, const std::optional<LibraryResult>& result, const Done& done)
{
    if (m_progressShown) {
        m_ui.closeProgress();
        m_progressShown = false;
    }
    int code = kResultNothingNew;
    if (!result) {
        // The password prompt was cancelled, or there was no access token (and that was said):
        // nothing was asked of the server.
        code = m_noSignIn ? kResultError : kResultNothingNew;
        m_prompts.setStatus(1, m_noSignIn ? QStringLiteral("エラー") : QString());
    } else {
        if (mode == kModeCount)
            code = handleCount(*result);
        else if (mode == kModeList || mode == kModeDelete)
            code = handleList(*result);
        else
            code = handleSave(mode, *result);
        ReportReceiveOutcome(code, *result);
    }
    m_fileWorker.reset();
    if (done)
        done(code);
}

QString Receiver::serverText() const
{
    const storage::AccountProperties& p = *m_account.properties;
    if (p.popPortGiven != 0)
        return p.pop3Server + QLatin1Char('\t') + QString::number(p.popPort);
    return p.pop3Server;
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

bool Receiver::prepareLogin(bool afterRefusal)
{
    m_noSignIn = false;
    m_callToken.clear();
    const storage::AccountProperties& p = *m_account.properties;
    if (p.oauthProvider.isEmpty())
        return preparePassword();
    m_callPassword.clear();
    const std::optional<QString> token = tokenForTransfer(m_account.paths.userFile, p, m_prompts, afterRefusal);
    m_noSignIn = !token;
    m_callToken = token.value_or(QString());
    return token.has_value();
}

void Receiver::CallReceiveLibrary(const QString& command, const QString& directory, LibraryDone done)
{
    callLibrary(command, directory, std::move(done), false);
}

void Receiver::callLibrary(const QString& command, const QString& directory, LibraryDone done, bool afterRefusal)
{
    // A cancelled prompt stops here: the previous call's password may belong to another account
    // and its server, so it is never sent again in its place.
    if (!prepareLogin(afterRefusal)) {
        done(std::nullopt);
        return;
    }
    const QString server = serverText();
    const QString user = m_account.properties->loginName;
    const QString password = m_callPassword;
    const bool signsIn = !m_callToken.isEmpty();
    platform::mail::ReceiveOptions options;
    options.bearerToken = m_callToken;
    options.security = m_account.properties->security.pop3;
    options.recordFile = m_account.paths.receivedIdsFile;
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
}

void Receiver::onProgress(int messageNumber, int bytes)
{
    m_prompts.setStatus(1, QStringLiteral("受信中"));
    m_figures.Sintyoku(messageNumber, bytes);
    m_ui.updateProgress(m_figures);
}

int runServerCommandAndWait(Receiver& receiver, int mode, const QString& number)
{
    int code = kResultError;
    waitUntilDone([&](std::function<void()> done) {
        receiver.RunServerCommand(mode, number, [&code, done](int result) {
            code = result;
            done();
        });
    });
    return code;
}

bool startReceiveAndWait(Receiver& receiver, int method)
{
    bool started = false;
    waitUntilDone([&](std::function<void()> done) {
        started = receiver.StartReceive(method, done);
        if (!started)
            done();
    });
    return started;
}

} // namespace fumibako::transfer
