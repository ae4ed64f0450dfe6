#pragma once

#include "filing/FilingEngine.h"
#include "filing/JunkSettings.h"
#include "platform/mail/MailLibrary.h"
#include "storage/AccountSettings.h"
#include "storage/Paths.h"
#include "transfer/ReceiveProgress.h"
#include "transfer/ReceivedFileWorker.h"
#include "transfer/TransferRunner.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::storage {
class MailChangeListener;
}

namespace fumibako::transfer {

class OperationGuard;
class ReceiveUi;
class ReceivedBatchFiling;
struct CurrentMail;

/** The server commands of RunServerCommand. */
enum class ServerMode {
    Count,         ///< "STAT"
    FetchOne,      ///< "SAVE n" into ">" folder, the server list's one-message fetch
    Save,          ///< "SAVE n"
    SaveDelete,    ///< "SAVD n"
    SaveAll,       ///< "SAVEALL", with the progress dialog
    SaveAllDelete, ///< "SAVEALLD", with the progress dialog
    List,          ///< "LIST"
    Delete,        ///< "DELE n"
};

/** How a server command ended. */
enum class ReceiveResult {
    Error,
    NothingNew, ///< also: count declined, delete done, empty mailbox, password prompt cancelled
    NewMail,
    WantsReceive, ///< the count was answered with "receive"
    ListFilled,
};

/** The library's text for a message number the server does not have. */
inline const QString kInvalidMessageNumber = QStringLiteral("POP3 error -ERR Invalid message number.");
/** The library's text for an empty mailbox in answer to LIST or DELE. */
inline const QString kEmptyMailboxText = QStringLiteral("No Message+OK 0 0");
/** The inbox section that received mail is filed into. */
inline const QString kStandardBox = QStringLiteral("標準BOX");

/** The open account as receiving sees it. */
struct ReceiveAccount {
    /** The account's settings; the password in memory changes with the prompt's choices. */
    storage::AccountProperties* properties = nullptr;
    storage::AccountEnvironment environment;
    storage::AccountPaths paths;
    QString workDir;
    /**
     * The account's received-side folders, for the filing rules; none: the folders of its
     * settings file and its index.
     */
    filing::FolderExists folderExists;
    /** Whose senders are in the address book (none: nobody's); it outlives the receives. */
    const filing::AddressBookLookup* addressBook = nullptr;
    /** The data directory's junk filter, asked before the rules (none: no junk is sorted out); it outlives the receives. */
    filing::JunkFilter* junkFilter = nullptr;
};

/** The server mail list's side of the LIST and DELE results. */
class ServerListSink {
public:
    virtual ~ServerListSink() = default;
    virtual void fillServerList(const QStringList& elements) = 0;
    /** Panel 1 of the server list's status bar. */
    virtual void setListStatus(const QString& text) = 0;
};

/**
 * @short Receiving mail from the account's POP3 server.
 *
 * Lives on the user-interface thread with all its state; only the library call, and before it the
 * renewal of an account's access token, run on a worker thread (TransferRunner). Commands complete through callbacks, after the result was handled and
 * reported. The callers hold the operation guard around the commands (StartReceive takes it itself).
 */
class Receiver : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(ReceiveResult result)>;

    Receiver(OperationGuard& guard, platform::UserPrompts& prompts, ReceiveUi& ui, CurrentMail& currentMail,
             QObject* parent = nullptr);

    void setAccount(const ReceiveAccount& account) { m_account = account; }
    const ReceiveAccount& account() const { return m_account; }
    void setServerListSink(ServerListSink* sink) { m_sink = sink; }
    /** Hears of each message a receive files, once the batch is on disk (none: nobody). */
    void setChangeListener(storage::MailChangeListener* listener) { m_changes = listener; }

    /**
     * The receive command: count, then ask; receive; or receive and delete. False, having started
     * nothing, when the guard refused; otherwise @p done gets how the receive ended, once it
     * ended and the guard was released.
     */
    bool StartReceive(storage::ReceiveMethod method, Done done = {});

    /** Runs one server command; @p done gets how it ended. */
    void RunServerCommand(ServerMode mode, const QString& number, Done done);

    /** The progress dialog's cancel: the library stops at its next progress report. */
    void requestCancel()
    {
        m_cancelBeforeCall = true;
        m_runner.requestCancel();
    }
    bool isRunning() const { return m_runner.isRunning(); }

    /** The password handed to the library on the last call. */
    const QString& callPassword() const { return m_callPassword; }
    const ProgressFigures& progressFigures() const { return m_figures; }

    /** The status and messages for how a command ended (an error, nothing new, new mail). */
    void ReportReceiveOutcome(ReceiveResult outcome, const platform::mail::LibraryResult& result);

private:
    using LibraryDone = std::function<void(std::optional<platform::mail::LibraryResult>)>;

    void CallReceiveLibrary(const QString& command, const QString& directory, LibraryDone done);
    void callLibrary(const QString& command, const QString& directory, LibraryDone done, bool afterRefusal);
    bool preparePassword();
    /** The password or access token of the next call; @p ready gets false when there is none. */
    void prepareLogin(bool afterRefusal, std::function<void(bool ready)> ready);
    void startLibraryCall(const QString& command, const QString& directory, const LibraryDone& done, bool afterRefusal);
    void onProgress(int messageNumber, int bytes);
    void commandFinished(ServerMode mode, const std::optional<platform::mail::LibraryResult>& result, const Done& done);

    ReceiveResult handleCount(const platform::mail::LibraryResult& result);
    ReceiveResult handleSave(ServerMode mode, const platform::mail::LibraryResult& result);
    ReceiveResult handleList(const platform::mail::LibraryResult& result);
    void reportStoppedEarly();
    void prepareFiling(ServerMode mode);
    void reportFiling(const ReceivedBatchFiling& filing);

    OperationGuard& m_guard;
    platform::UserPrompts& m_prompts;
    ReceiveUi& m_ui;
    CurrentMail& m_currentMail;
    ServerListSink* m_sink = nullptr;
    storage::MailChangeListener* m_changes = nullptr;
    ReceiveAccount m_account;
    TransferRunner m_runner;
    ProgressFigures m_figures;
    QString m_callPassword;
    QString m_callToken;        // the access token of an account that signs in, for the last call
    bool m_noSignIn = false;    // the last call found no access token (and said so)
    bool m_cancelBeforeCall = false; // cancelled while the next call's login was being prepared
    bool m_progressShown = false;
    QString m_stoppedEarly; // why the last save command ended before every message was saved
    int m_savedCount = 0;   // messages the last save command filed
    int m_filedElsewhere = 0; // of those, the messages the rules filed elsewhere than 標準BOX
    int m_junkCount = 0;      // of those, the messages filed into 迷惑メール
    int m_junkExpired = 0;    // old junk the last save command moved into ごみ箱
    filing::JunkSettings m_junkSettings; // the account's, read for the running save command
    std::unique_ptr<filing::FilingEngine> m_engine; // of the running save command
    platform::mail::ServerScreen m_screen; // the rules that decide at the server, for the running receive
    QList<filing::MissingFolder> m_reportedMissing;  // said once per run of the program
    std::shared_ptr<ReceivedFileWorker> m_fileWorker; // of the files the running save command saved
};

/**
 * The status after new mail: "新着メールあり", and when rules filed some of the @p received
 * messages elsewhere than 標準BOX, how many arrived and how many were filed. Of those filed,
 * @p junk went into 迷惑メール and are not new mail; when all were junk, "新着メールなし".
 */
QString newMailStatusText(int received, int filedElsewhere, int junk = 0);

/**
 * The message shown when a receive stopped early after saving @p saved messages: how many were
 * kept, that the rest stays on the server, and the library's error explained.
 */
QString stoppedEarlyText(int saved, const QString& libraryText);

/** Runs a server command and waits until it ended (tool and tests). */
ReceiveResult runServerCommandAndWait(Receiver& receiver, ServerMode mode, const QString& number);

/** The receive command, waiting until it ended: how it ended, nothing when it did not start. */
std::optional<ReceiveResult> startReceiveAndWait(Receiver& receiver, storage::ReceiveMethod method);

} // namespace fumibako::transfer
