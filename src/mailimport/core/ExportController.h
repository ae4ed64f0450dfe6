#pragma once

#include "mailimport/ImportReport.h"
#include "mailimport/MailExport.h"
#include "mailimport/core/ImportController.h"

#include <QObject>

#include <memory>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::mailimport {

/**
 * @short The rules of the export window "エクスポート": the folder's messages written into an
 * mbox file or one .eml file each, with progress, cancel and what was written.
 *
 * The messages are those the folder lists (its listing repairs the index as it always does),
 * read on a worker thread; nothing in the account changes. The operation guard is held while
 * it runs.
 */
class ExportController : public QObject {
    Q_OBJECT

public:
    enum class State { Choosing, Running, Done };
    Q_ENUM(State)

    /** Exports the folder @p folderKey; @p prompts shows what its listing has to say. */
    ExportController(const ImportServices& services, platform::UserPrompts& prompts, const QString& folderKey,
                     QObject* parent = nullptr);
    ~ExportController() override;

    const QString& folderKey() const { return m_folderKey; }
    /** Whether the folder can be exported: received mail only (the outgoing folders keep their own form). */
    bool isExportable() const;

    void setFormat(ExportFormat format) { m_format = format; }
    ExportFormat format() const { return m_format; }
    /** The mbox file, or the folder for the .eml files. */
    void setTarget(const QString& path) { m_target = path; }
    const QString& target() const { return m_target; }
    /** A name for the mbox file: the folder's own name. */
    QString suggestedFileName() const;

    bool canStart() const { return m_state == State::Choosing && isExportable() && !m_target.isEmpty(); }
    bool start();
    void cancel();
    State state() const { return m_state; }
    const ExportReport& report() const { return m_report; }
    QString reportText() const { return exportReportText(m_report); }
    void waitUntilDone();

Q_SIGNALS:
    void stateChanged(fumibako::mailimport::ExportController::State state);
    void progressed(int done, int total);

private:
    class Run;

    void ended(const ExportReport& report);

    ImportServices m_services;
    platform::UserPrompts& m_prompts;
    QString m_folderKey;
    ExportFormat m_format = ExportFormat::Mbox;
    QString m_target;
    State m_state = State::Choosing;
    ExportReport m_report;
    std::unique_ptr<Run> m_run; // declared last: ends first
};

} // namespace fumibako::mailimport
