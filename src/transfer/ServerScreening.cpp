#include "transfer/ServerScreening.h"

#include "filing/FilingLog.h"
#include "filing/ServerRuleScreen.h"
#include "platform/AtomicFile.h"
#include "platform/mail/HeaderFields.h"
#include "platform/mail/ServerListEntry.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <memory>

namespace fumibako::transfer {

using platform::mail::ServerAction;
using platform::mail::ServerMessage;

namespace {

const QByteArray kLeaveWord = QByteArrayLiteral("leave");
const QByteArray kDeleteWord = QByteArrayLiteral("delete");

filing::FilingLogEntry logEntryOf(const ServerMessage& message, const filing::ServerVerdict& verdict)
{
    const QList<platform::mail::RawHeaderField> fields = platform::mail::headerFields(message.header);
    const QByteArray from = platform::mail::fieldValue(fields, "From");
    const QByteArray subject = platform::mail::fieldValue(fields, "Subject");
    const QByteArray date = platform::mail::fieldValue(fields, "Date");
    filing::FilingLogEntry entry;
    entry.when = QDateTime::currentDateTime();
    entry.how = filing::kFiledAtServer;
    entry.rules = verdict.rule;
    entry.from = platform::mail::decodedFieldValue("From", from);
    entry.subject = platform::mail::decodedFieldValue("Subject", subject);
    entry.date = date.isEmpty() ? QString() : platform::mail::localDateText(date);
    entry.done = verdict.action == ServerAction::Delete ? QStringLiteral("サーバーから削除（受信していません）")
                                                        : QStringLiteral("サーバーに残す（受信しない）");
    return entry;
}

// What one screening decides, and what of it is to be logged.
struct Screening {
    QList<ServerAction> actions;
    ScreenRecord record;
    QList<filing::FilingLogEntry> entries;
    QList<qsizetype> deletions; // positions of the messages to delete
};

Screening screen(const filing::ServerRuleScreen& rules, const QList<ServerMessage>& messages, const ScreenRecord& logged)
{
    Screening result;
    for (const ServerMessage& message : messages) {
        filing::FilingInput input = filing::FilingInput::fromServerHeader(message.header, message.size);
        const filing::ServerVerdict verdict = rules.decide(input);
        result.actions.append(verdict.action);
        if (verdict.action == ServerAction::Fetch)
            continue;
        if (verdict.action == ServerAction::Delete)
            result.deletions.append(result.actions.size() - 1);
        // Without a unique id a message cannot be told again: it is logged each time.
        if (!message.id.isEmpty())
            result.record.insert(message.id, verdict.action);
        if (message.id.isEmpty() || logged.value(message.id, ServerAction::Fetch) != verdict.action)
            result.entries.append(logEntryOf(message, verdict));
    }
    return result;
}

} // namespace

QString screenRecordFile(const storage::AccountPaths& paths)
{
    return paths.userMailDir + QStringLiteral("ServerScreened.txt");
}

ScreenRecord readScreenRecord(const QString& file)
{
    ScreenRecord record;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return record;
    for (const QByteArray& line : in.readAll().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0 || tab + 1 >= line.size())
            continue; // a line a crash tore cannot be; an odd one is passed over
        const QByteArray word = line.left(tab);
        if (word == kLeaveWord || word == kDeleteWord)
            record.insert(line.mid(tab + 1), word == kDeleteWord ? ServerAction::Delete : ServerAction::Leave);
    }
    return record;
}

bool writeScreenRecord(const QString& file, const ScreenRecord& record)
{
    if (record.isEmpty())
        return !QFile::exists(file) || QFile::remove(file);
    QList<QByteArray> ids = record.keys();
    std::sort(ids.begin(), ids.end());
    QByteArray bytes;
    for (const QByteArray& id : std::as_const(ids))
        bytes += (record.value(id) == ServerAction::Delete ? kDeleteWord : kLeaveWord) + '\t' + id + '\n';
    return platform::writeFileAtomically(file, bytes);
}

platform::mail::ServerScreen makeServerScreen(const filing::RuleList& rules, const storage::AccountPaths& paths)
{
    if (!filing::hasAtServerRule(rules))
        return {};
    auto compiled = std::make_shared<const filing::ServerRuleScreen>(rules);
    const QString logFile = filing::filingLogFile(paths);
    const QString recordFile = screenRecordFile(paths);
    return [compiled, logFile, recordFile](const QList<ServerMessage>& messages) {
        const ScreenRecord logged = readScreenRecord(recordFile);
        Screening result = screen(*compiled, messages, logged);
        // The log comes first: a crash before the record is written logs a message twice, never not at all.
        if (!filing::appendFilingLog(logFile, result.entries)) {
            // What cannot be shown is not deleted: it waits on the server for a receive that can.
            for (qsizetype position : std::as_const(result.deletions))
                result.actions[position] = ServerAction::Leave;
            return result.actions;
        }
        // Only the messages of this screening are kept: those gone from the server leave the record.
        if (result.record != logged)
            writeScreenRecord(recordFile, result.record);
        return result.actions;
    };
}

platform::mail::ServerScreen makeCountingScreen(const filing::RuleList& rules)
{
    if (!filing::hasAtServerRule(rules))
        return {};
    auto compiled = std::make_shared<const filing::ServerRuleScreen>(rules);
    return [compiled](const QList<ServerMessage>& messages) {
        return screen(*compiled, messages, {}).actions;
    };
}

} // namespace fumibako::transfer
