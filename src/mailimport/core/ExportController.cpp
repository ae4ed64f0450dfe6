#include "mailimport/core/ExportController.h"

#include "platform/SerialWorker.h"
#include "platform/UserPrompts.h"
#include "storage/AccountSession.h"
#include "storage/MailFolderView.h"
#include "transfer/MailFileReader.h"
#include "transfer/OperationGuard.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace fumibako::mailimport {

namespace {

/** The listing's messages go to the window; its counts stay off the main window's status bar. */
class ListingPrompts : public platform::UserPrompts {
public:
    explicit ListingPrompts(platform::UserPrompts& prompts) : m_prompts(prompts) {}
    platform::Answer message(const QString& text, const QString& title, platform::Icon icon,
                             platform::Buttons buttons) override
    {
        return m_prompts.message(text, title, icon, buttons);
    }
    void setStatus(int, const QString&) override {}

private:
    platform::UserPrompts& m_prompts;
};

} // namespace

/** The export on its worker thread. */
class ExportController::Run {
public:
    Run(ExportController& owner, MailExporter* exporter) : m_owner(owner), m_exporter(exporter)
    {
        m_worker.post([this] {
            const ExportReport report = m_exporter->run([this](int done, int total) {
                QMetaObject::invokeMethod(
                    &m_owner, [owner = &m_owner, done, total] { Q_EMIT owner->progressed(done, total); }, Qt::QueuedConnection);
            });
            QMetaObject::invokeMethod(&m_owner, [owner = &m_owner, report] { owner->ended(report); }, Qt::QueuedConnection);
        });
    }
    ~Run() { m_exporter->requestCancel(); }

    void cancel() { m_exporter->requestCancel(); }

private:
    ExportController& m_owner;
    std::unique_ptr<MailExporter> m_exporter;
    platform::SerialWorker m_worker; // declared last: waits for the export before the exporter goes
};

ExportController::ExportController(const ImportServices& services, platform::UserPrompts& prompts,
                                   const QString& folderKey, QObject* parent)
    : QObject(parent), m_services(services), m_prompts(prompts), m_folderKey(folderKey)
{
}

ExportController::~ExportController() = default;

bool ExportController::isExportable() const
{
    return m_services.session->folderTree().hasKey(m_folderKey) && !storage::MailFolderView::isOutgoingKey(m_folderKey);
}

QString ExportController::suggestedFileName() const
{
    return m_folderKey.section(QLatin1Char('\\'), -1) + QStringLiteral(".mbox");
}

bool ExportController::start()
{
    if (!canStart() || !m_services.guard->AcquireOperation(transfer::Operation::Exporting))
        return false;
    // The messages are those the folder's listing gives, with its repairs.
    ListingPrompts prompts(m_prompts);
    transfer::MailFileReader reader;
    storage::MailFolderView view(m_services.session->folderTree(), prompts, reader);
    view.setChangeListener(m_services.changes);
    view.setAccount(m_services.session->paths(), m_services.session->programPaths().workDir);
    view.SelectFolder(m_folderKey);
    m_run = std::make_unique<Run>(*this, new MailExporter(exportItems(view), m_format, m_target));
    m_state = State::Running;
    Q_EMIT stateChanged(m_state);
    return true;
}

void ExportController::cancel()
{
    if (m_run && m_state == State::Running)
        m_run->cancel();
}

void ExportController::ended(const ExportReport& report)
{
    m_report = report;
    m_services.guard->release();
    m_services.guard->refreshStatus();
    m_state = State::Done;
    Q_EMIT stateChanged(m_state);
}

void ExportController::waitUntilDone()
{
    while (m_state == State::Running)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

} // namespace fumibako::mailimport
