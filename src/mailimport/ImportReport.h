#pragma once

#include <QList>
#include <QString>

namespace fumibako::mailimport {

/** A message or a file the report names, and what it says of it. */
struct ReportItem {
    QString where;
    QString reason;
};

/** How an import or an export ended. */
enum class RunEnd {
    Completed,
    Cancelled, ///< stopped by the user: what was done so far is kept
    Failed,    ///< stopped by an error (see failure): what was done so far is kept
};

/** What an import did, for the user to read. */
struct ImportReport {
    RunEnd end = RunEnd::Completed;
    QString failure;          ///< why it failed
    int imported = 0;         ///< messages stored and filed
    int alreadyImported = 0;  ///< passed over: an earlier import brought them in
    int resumed = 0;          ///< messages of an interrupted import filed at the start of this one
    QList<ReportItem> notImported; ///< files and messages that could not be read as mail
    QList<ReportItem> notes;  ///< messages that came in with something to say (cut short)

    /** Whether everything the sources held came in (or had come in before). */
    bool isClean() const { return end == RunEnd::Completed && notImported.isEmpty(); }
};

/** The report as the user reads it, in lines. */
QString importReportText(const ImportReport& report);

/** What an export did. */
struct ExportReport {
    RunEnd end = RunEnd::Completed;
    QString failure;
    QString target;   ///< the file or the folder written
    int written = 0;  ///< messages written
    QList<ReportItem> notWritten; ///< messages whose file could not be read
};

QString exportReportText(const ExportReport& report);

} // namespace fumibako::mailimport
