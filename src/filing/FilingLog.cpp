#include "filing/FilingLog.h"

#include "platform/AtomicFile.h"

#include <QFile>

#include <algorithm>
#include <mutex>

namespace fumibako::filing {

namespace {

constexpr qint64 kTrimAbove = 1024 * 1024; // bytes; then the newer half is kept
const QString kTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");

QString field(QString text)
{
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

QByteArray lineOf(const FilingLogEntry& entry)
{
    const QStringList fields{entry.when.toString(kTimeFormat), field(entry.how),  field(entry.rules),
                             field(entry.folder),              field(entry.fileName), field(entry.from),
                             field(entry.subject),             field(entry.done),     field(entry.date)};
    return fields.join(u'\t').toUtf8() + '\n';
}

// Keeps the newer half of @p bytes, from a line's start.
QByteArray newerHalf(const QByteArray& bytes)
{
    const qsizetype cut = bytes.indexOf('\n', bytes.size() / 2);
    return cut < 0 ? QByteArray() : bytes.mid(cut + 1);
}

} // namespace

QString filingLogFile(const storage::AccountPaths& paths)
{
    return paths.userMailDir + QStringLiteral("FilingLog.txt");
}

std::optional<FilingLogEntry> logEntryFor(const FilingDecision& decision, const QString& how, const QString& fileName,
                                          const QString& from, const QString& subject)
{
    if (decision.matchedRules.isEmpty() && decision.filedBy.isEmpty())
        return std::nullopt;
    QStringList done;
    if (decision.markRead)
        done.append(QStringLiteral("既読"));
    if (decision.flag)
        done.append(QStringLiteral("フラグ"));
    for (const QString& copy : decision.copies)
        done.append(QStringLiteral("コピー: ") + copy);
    for (const MissingFolder& missing : decision.missingFolders)
        done.append(QStringLiteral("フォルダがありません: ") + missing.folder);
    const QString rules = decision.filedBy.isEmpty() ? decision.matchedRules.join(QStringLiteral(", ")) : decision.filedBy;
    return FilingLogEntry{QDateTime::currentDateTime(), how, rules, decision.folder, fileName, from, subject,
                          done.join(QStringLiteral("、"))};
}

bool appendFilingLog(const QString& file, const QList<FilingLogEntry>& entries)
{
    if (entries.isEmpty())
        return true;
    // A receive logs on its own thread what it decided at the server while "振り分け実行" may log
    // on the window's: the trimming rewrite must not lose the other's lines.
    static std::mutex appending;
    const std::lock_guard lock(appending);
    QByteArray lines;
    for (const FilingLogEntry& entry : entries)
        lines += lineOf(entry);
    QFile log(file);
    if (log.size() + lines.size() > kTrimAbove) {
        QByteArray kept;
        if (log.open(QIODevice::ReadOnly))
            kept = newerHalf(log.readAll());
        log.close();
        return platform::writeFileAtomically(file, kept + lines);
    }
    // A torn last line after a crash is skipped when the log is read.
    const bool isNew = !log.exists();
    if (!log.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    if (log.size() > 0 && log.seek(log.size() - 1) && log.peek(1) != "\n")
        lines.prepend('\n'); // ends a line a crash tore
    if (isNew)
        log.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner); // the user's alone, as all data
    return log.write(lines) == lines.size();
}

QList<FilingLogEntry> readFilingLog(const QString& file)
{
    QFile log(file);
    QList<FilingLogEntry> entries;
    if (!log.open(QIODevice::ReadOnly))
        return entries;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        if (fields.size() != 8 && fields.size() != 9)
            continue;
        const QDateTime when = QDateTime::fromString(fields.at(0), kTimeFormat);
        if (!when.isValid())
            continue;
        entries.append({when, fields.at(1), fields.at(2), fields.at(3), fields.at(4), fields.at(5), fields.at(6),
                        fields.at(7), fields.value(8)});
    }
    std::reverse(entries.begin(), entries.end());
    return entries;
}

} // namespace fumibako::filing
