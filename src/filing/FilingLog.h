#pragma once

#include "filing/FilingEngine.h"
#include "storage/Paths.h"

#include <QDateTime>
#include <QList>
#include <QString>

/**
 * The filing log of an account: which rule filed which message where, and when. A text file in
 * the account's mail directory, UTF-8, a line per message: the time, how it was filed
 * ("受信", "振り分け実行", "受信前"), the rules, the folder, the file, the sender, the subject, what
 * else was done and the message's own date, separated by TABs (lines written before the date was
 * kept have one field less). It keeps about the last 5,000 lines.
 */
namespace fumibako::filing {

struct FilingLogEntry {
    QDateTime when;
    QString how;      ///< "受信", "振り分け実行", or "受信前" for what a rule did at the server
    QString rules;    ///< the rule that filed the message, or the rules that held
    QString folder;   ///< where the message went; "" when it stayed
    QString fileName;
    QString from;
    QString subject;
    QString done;     ///< the flags, copies and missing folders, in words
    QString date = {}; ///< the message's Date field as the reader shows it; "" when not kept

    friend bool operator==(const FilingLogEntry&, const FilingLogEntry&) = default;
};

/** How a rule decided at the server, before the download, in FilingLogEntry::how. */
inline const QString kFiledAtServer = QStringLiteral("受信前");

/** The log file of the account. */
QString filingLogFile(const storage::AccountPaths& paths);

/** The entry for @p decision about message @p fileName; nothing when no rule held. */
std::optional<FilingLogEntry> logEntryFor(const FilingDecision& decision, const QString& how, const QString& fileName,
                                          const QString& from, const QString& subject);

/** Adds @p entries at the end of the log (the oldest lines go once it is long); from any thread. */
bool appendFilingLog(const QString& file, const QList<FilingLogEntry>& entries);

/** The entries of the log, newest first. */
QList<FilingLogEntry> readFilingLog(const QString& file);

} // namespace fumibako::filing
