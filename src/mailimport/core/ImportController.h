#pragma once

#include "mailimport/ImportReport.h"
#include "mailimport/MailImport.h"

#include <QObject>
#include <QStringList>

#include <memory>

namespace fumibako::storage {
class AccountSession;
class MailChangeListener;
} // namespace fumibako::storage

namespace fumibako::transfer {
class OperationGuard;
}

namespace fumibako::mailimport {

/** What the import window works with, from the main window. */
struct ImportServices {
    storage::AccountSession* session = nullptr; ///< the open account: its paths and its folders
    transfer::OperationGuard* guard = nullptr;  ///< held while the import runs
    storage::MailChangeListener* changes = nullptr; ///< hears of each message filed (the search index)
};

/**
 * @short The rules of the import window "メールのインポート": what is imported, into which
 * folder, and the run with its progress, its cancel and its report.
 *
 * Lives on the window's thread. The import reads and stores on a worker thread; every index
 * entry and every folder is written here, on this thread, as the main window's listings and
 * commands write theirs, so none of them can interleave with a batch. The operation guard is
 * held from start() until finished(), so that neither a receive nor a second import nor the
 * end of the program comes in between.
 */
class ImportController : public QObject {
    Q_OBJECT

public:
    enum class State { Choosing, Running, Done };
    Q_ENUM(State)

    explicit ImportController(const ImportServices& services, QObject* parent = nullptr);
    /** A running import is stopped after its message; what it stored is filed before this returns. */
    ~ImportController() override;

    /** Adds files or folders to read (each once). */
    void addPaths(const QStringList& paths);
    void removePath(int index);
    const QStringList& paths() const { return m_paths; }

    /** The folders an import may go into: "標準BOX", "ごみ箱" and the user folders, in tree order. */
    QStringList targetKeys() const;
    /** Chooses the folder; one that is no target chooses "標準BOX". */
    void setTargetKey(const QString& key);
    const QString& targetKey() const { return m_targetKey; }

    bool canStart() const { return m_state == State::Choosing && !m_paths.isEmpty(); }
    /** Starts the import; false when it cannot (nothing chosen, or another operation runs: its message was shown). */
    bool start();
    /** Asks the running import to stop after its message. */
    void cancel();
    bool isCancelling() const { return m_cancelling; }

    State state() const { return m_state; }
    const ImportReport& report() const { return m_report; }
    QString reportText() const { return importReportText(m_report); }
    /** Waits, handling this thread's events, until the running import ended (the tests). */
    void waitUntilDone();

Q_SIGNALS:
    void stateChanged(fumibako::mailimport::ImportController::State state);
    void progressed(int messages, int percent, const QString& source);
    /** The import made folders in the account's tree. */
    void foldersAdded();
    /** A batch of messages was filed. */
    void mailFiled();

private:
    class Run;

    void planned(const ImportPlan& plan);
    void ended(const ImportReport& report);
    void setState(State state);

    ImportServices m_services;
    QStringList m_paths;
    QString m_targetKey;
    State m_state = State::Choosing;
    bool m_cancelling = false;
    ImportReport m_report;
    std::unique_ptr<Run> m_run; // declared last: it ends (and files what it holds) first
};

} // namespace fumibako::mailimport
