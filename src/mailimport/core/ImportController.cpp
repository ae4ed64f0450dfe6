#include "mailimport/core/ImportController.h"

#include "platform/SerialWorker.h"
#include "storage/AccountSession.h"
#include "storage/FolderTree.h"
#include "transfer/OperationGuard.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <condition_variable>
#include <mutex>

namespace fumibako::mailimport {

/**
 * One import: its planning and its reading on the worker, and the hand-over of each batch to the
 * window's thread, where its entries are written while the worker waits.
 */
class ImportController::Run : public ImportFiler {
public:
    Run(ImportController& owner, const storage::AccountPaths& paths) : m_owner(owner), m_paths(paths) {}

    ~Run() override
    {
        cancel();
        // The worker may wait for a batch to be filed: it is filed here, then the worker ends.
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_jobsDone) {
            if (m_waiting) {
                lock.unlock();
                fileWaiting();
                lock.lock();
                continue;
            }
            m_changed.wait(lock);
        }
    }

    void plan(const QStringList& paths)
    {
        post([this, paths] {
            const ImportPlan plan = planImport(paths);
            QMetaObject::invokeMethod(&m_owner, [owner = &m_owner, plan] { owner->planned(plan); }, Qt::QueuedConnection);
        });
    }

    void import(const ImportTarget& target, const ImportPlan& plan)
    {
        post([this, target, plan] {
            MailImporter importer(m_paths, target, plan, *this);
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_importer = &importer;
                if (m_cancel)
                    importer.requestCancel();
            }
            const ImportReport report = importer.run([this](const ImportProgress& progress) { reportProgress(progress); });
            {
                const std::lock_guard<std::mutex> lock(m_mutex);
                m_importer = nullptr;
            }
            QMetaObject::invokeMethod(&m_owner, [owner = &m_owner, report] { owner->ended(report); }, Qt::QueuedConnection);
        });
    }

    void cancel()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_cancel = true;
        if (m_importer)
            m_importer->requestCancel();
    }

    // On the worker: hands the batch to the window's thread and waits until it is filed.
    bool file(const QList<ImportedMessage>& messages) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_waiting = messages;
        m_changed.notify_all();
        QMetaObject::invokeMethod(&m_owner, [this] { fileWaiting(); }, Qt::QueuedConnection);
        m_changed.wait(lock, [this] { return !m_waiting; });
        return m_filed;
    }

    // On the window's thread.
    void fileWaiting()
    {
        std::optional<QList<ImportedMessage>> messages;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            messages.swap(m_waiting);
        }
        if (!messages)
            return;
        const bool filed = fileImportedMessages(m_paths, *messages, m_owner.m_services.changes);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_filed = filed;
            m_changed.notify_all();
        }
        Q_EMIT m_owner.mailFiled();
    }

private:
    void post(std::function<void()> job)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_jobsDone = false;
            ++m_jobs;
        }
        m_worker.post([this, job = std::move(job)] {
            job();
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_jobsDone = --m_jobs == 0;
            m_changed.notify_all();
        });
    }

    void reportProgress(const ImportProgress& progress)
    {
        const int percent = progress.bytesTotal > 0 ? int(progress.bytesDone * 100 / progress.bytesTotal) : 0;
        QMetaObject::invokeMethod(
            &m_owner, [owner = &m_owner, progress, percent] { Q_EMIT owner->progressed(progress.messages, percent, progress.source); },
            Qt::QueuedConnection);
    }

    ImportController& m_owner;
    storage::AccountPaths m_paths;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<QList<ImportedMessage>> m_waiting; // a batch the worker waits to have filed
    bool m_filed = false;
    bool m_cancel = false;
    int m_jobs = 0;
    bool m_jobsDone = true;
    MailImporter* m_importer = nullptr;
    platform::SerialWorker m_worker; // declared last: destroyed first, once no job waits any more
};

ImportController::ImportController(const ImportServices& services, QObject* parent)
    : QObject(parent), m_services(services), m_targetKey(storage::FixedFolder::Standard)
{
}

ImportController::~ImportController() = default;

void ImportController::addPaths(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (!path.isEmpty() && !m_paths.contains(path))
            m_paths.append(path);
    }
}

void ImportController::removePath(int index)
{
    if (index >= 0 && index < m_paths.size())
        m_paths.removeAt(index);
}

QStringList ImportController::targetKeys() const
{
    QStringList keys{storage::FixedFolder::Standard, storage::FixedFolder::Trash};
    const storage::FolderTree& tree = m_services.session->folderTree();
    for (int node = storage::kTrashNode + 1; node <= tree.count(); ++node)
        keys.append(tree.node(node).key);
    return keys;
}

void ImportController::setTargetKey(const QString& key)
{
    const std::optional<ImportTarget> target = importTargetFor(m_services.session->folderTree(), key);
    m_targetKey = target ? (key == storage::FixedFolder::Inbox || key == storage::FixedFolder::Unread ? target->messagesKey : key)
                         : storage::FixedFolder::Standard;
}

bool ImportController::start()
{
    if (!canStart() || !m_services.session->isOpen())
        return false;
    if (!m_services.guard->AcquireOperation(transfer::Operation::Importing))
        return false;
    m_report = ImportReport();
    m_cancelling = false;
    m_run = std::make_unique<Run>(*this, m_services.session->paths());
    setState(State::Running);
    m_run->plan(m_paths);
    return true;
}

void ImportController::planned(const ImportPlan& plan)
{
    const std::optional<ImportTarget> target = importTargetFor(m_services.session->folderTree(), m_targetKey);
    if (!target || m_cancelling) {
        ImportReport report;
        report.end = target ? RunEnd::Cancelled : RunEnd::Failed;
        report.failure = QStringLiteral("インポート先のフォルダがありません");
        ended(report);
        return;
    }
    // The folders first: an index section whose folder the tree lacks is dropped by a listing.
    if (!m_services.session->addFolderPaths(importFolderKeys(*target, plan)).isEmpty())
        Q_EMIT foldersAdded();
    m_run->import(*target, plan);
}

void ImportController::cancel()
{
    if (m_state != State::Running)
        return;
    m_cancelling = true;
    m_run->cancel();
    Q_EMIT stateChanged(m_state);
}

void ImportController::ended(const ImportReport& report)
{
    m_report = report;
    m_services.guard->release();
    m_services.guard->refreshStatus();
    setState(State::Done);
}

void ImportController::setState(State state)
{
    m_state = state;
    Q_EMIT stateChanged(state);
}

void ImportController::waitUntilDone()
{
    while (m_state == State::Running)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

} // namespace fumibako::mailimport
