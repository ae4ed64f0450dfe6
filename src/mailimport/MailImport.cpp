#include "mailimport/MailImport.h"

#include "mailimport/MailboxFlags.h"
#include "mailimport/MessageReaders.h"
#include "platform/CrashPoint.h"
#include "platform/mail/HeaderFields.h"
#include "platform/mail/MailFileWriter.h"
#include "storage/FolderTree.h"
#include "storage/MailChangeListener.h"
#include "storage/ProfileStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::mailimport {

using storage::FixedFolder::Inbox;
using storage::FixedFolder::Standard;
using storage::FixedFolder::Trash;
using storage::FixedFolder::Unread;

namespace {

const QString kStagingName = QStringLiteral(".importing");

// A batch is flushed, journaled and filed once: few batches keep the rewrites of the index and
// the record few, and a killed import redoes at most one.
constexpr int kBatchMessages = 2000;
constexpr qint64 kBatchBytes = 64 * 1024 * 1024;
// The header block is looked for in the first bytes of a message.
constexpr qsizetype kHeadBytes = 64 * 1024;
constexpr qint64 kProgressIntervalMs = 100;

QByteArray keyDigest(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(40);
}

// The digest of a message's bytes: @p head when it holds them all, else the file's.
QByteArray digestOfFile(const QString& path, const QByteArray& head, bool whole)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    if (whole) {
        digest.addData(head);
    } else {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            digest.addData(&file);
    }
    return digest.result();
}

// What the journal keeps of a message's entry: its two flags and its section.
QByteArray filingText(const QString& section, transfer::EntryFlags flags)
{
    return QByteArray(flags.saved ? "1" : "0") + (flags.unread ? "1" : "0") + '\t' + section.toUtf8();
}

std::optional<std::pair<QString, transfer::EntryFlags>> parseFiling(const QByteArray& text)
{
    if (text.size() < 3 || text.at(2) != '\t')
        return std::nullopt;
    return std::pair(QString::fromUtf8(text.mid(3)), transfer::EntryFlags{text.at(1) == '1', text.at(0) == '1'});
}

// The time a message arrived, where the store says it: what the list shows for a message
// without a date of its own is its file's time.
void setFileTime(const QString& path, const QDateTime& time)
{
    if (!time.isValid())
        return;
    const qint64 ms = time.toMSecsSinceEpoch();
    const struct timespec times[2] = {{ms / 1000, (ms % 1000) * 1000000}, {ms / 1000, (ms % 1000) * 1000000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

} // namespace

QString ImportTarget::keyOf(const QStringList& folders) const
{
    return folders.isEmpty() ? messagesKey : parentKey + QLatin1Char('\\') + folders.join(QLatin1Char('\\'));
}

std::optional<ImportTarget> importTargetFor(const storage::FolderTree& tree, const QString& chosenKey)
{
    const int node = tree.indexOfKey(chosenKey);
    if (node == 0 || (node >= storage::kOutboxNode && node <= storage::kDraftsNode))
        return std::nullopt;
    if (node > storage::kTrashNode)
        return ImportTarget{chosenKey, chosenKey};
    const QString messages = chosenKey == Inbox || chosenKey == Unread ? Standard : chosenKey;
    return ImportTarget{messages, Inbox};
}

QStringList importFolderKeys(const ImportTarget& target, const ImportPlan& plan)
{
    QStringList keys;
    for (const QStringList& folders : plan.folders) {
        for (qsizetype depth = 1; depth <= folders.size(); ++depth) {
            const QString key = target.keyOf(folders.first(depth));
            if (!keys.contains(key))
                keys.append(key);
        }
    }
    return keys;
}

bool fileImportedMessages(const storage::AccountPaths& paths, const QList<ImportedMessage>& messages,
                          storage::MailChangeListener* listener)
{
    QList<std::pair<QString, QString>> filed; // section, file name
    storage::ProfileWriteBatch batch;
    for (const ImportedMessage& message : messages) {
        QString name;
        const transfer::Filing filing =
            transfer::IndexReceivedMailSummary(message.flags, paths.inputDir, message.fileName, message.section,
                                               paths.receivedIndexFile, message.summary, &name);
        if (filing != transfer::Filing::NotFiled)
            filed.append({message.section, name});
    }
    if (!batch.commit())
        return false;
    if (listener) {
        for (const auto& [section, name] : std::as_const(filed))
            listener->mailStored(section, name);
    }
    return true;
}

QString importRecordFile(const storage::AccountPaths& paths)
{
    return paths.userMailDir + QStringLiteral("ImportedIds.txt");
}

QByteArray importKey(QByteArrayView messageIdField, QByteArrayView bytesDigest)
{
    QByteArrayView id = messageIdField.trimmed();
    const qsizetype open = id.indexOf('<');
    const qsizetype close = open < 0 ? -1 : id.indexOf('>', open);
    if (close > open + 1)
        id = id.sliced(open + 1, close - open - 1);
    if (!id.isEmpty())
        return 'm' + keyDigest(id);
    return 'd' + bytesDigest.toByteArray().toHex().left(40);
}

MailImporter::MailImporter(const storage::AccountPaths& paths, const ImportTarget& target, const ImportPlan& plan,
                           ImportFiler& filer)
    : m_paths(paths), m_target(target), m_plan(plan), m_filer(filer),
      m_folder(paths.inputDir, importRecordFile(paths), kStagingName)
{
}

bool MailImporter::fail(const QString& why)
{
    m_report.end = RunEnd::Failed;
    m_report.failure = why;
    m_stopped = true;
    return false;
}

ImportReport MailImporter::run(const Progress& progress)
{
    m_report = ImportReport();
    for (const SkippedPath& skipped : std::as_const(m_plan.skipped))
        m_report.notImported.append({QDir::toNativeSeparators(skipped.path), skipped.reason});
    QString error;
    if (!m_folder.open(&error)) {
        fail(error);
        return m_report;
    }
    if (!resume())
        return m_report;
    m_sinceProgress.start();
    qint64 bytesBefore = 0;
    for (const ImportSource& source : std::as_const(m_plan.sources)) {
        if (m_stopped || m_cancel)
            break;
        importSource(source, bytesBefore, progress);
        bytesBefore += source.bytes;
    }
    if (!m_stopped)
        commitBatch();
    if (m_cancel && m_report.end == RunEnd::Completed)
        m_report.end = RunEnd::Cancelled;
    if (progress)
        progress({m_read, m_plan.bytes, m_plan.bytes, QString()});
    return m_report;
}

// A batch an earlier import left journaled: its files are in the input folder; those without
// an index entry get the one the journal names.
bool MailImporter::resume()
{
    QList<ImportedMessage> messages;
    for (const platform::mail::RecoveredMessage& recovered : m_folder.recoveredMessages()) {
        const QString name = QFileInfo(recovered.path).fileName();
        if (transfer::hasIndexEntry(m_paths.receivedIndexFile, name))
            continue;
        const auto filing = parseFiling(recovered.filing);
        const std::optional<platform::mail::MailSummary> summary = platform::mail::ReadMailSummary(recovered.path);
        messages.append({name, filing ? filing->first : Standard, filing ? filing->second : transfer::EntryFlags{},
                         summary.value_or(platform::mail::MailSummary{})});
    }
    if (!messages.isEmpty() && !m_filer.file(messages))
        return fail(QStringLiteral("メールの索引を書き込めませんでした"));
    m_report.resumed = int(messages.size());
    QString error;
    if (!m_folder.finishCommitted(&error))
        return fail(error);
    return true;
}

void MailImporter::importSource(const ImportSource& source, qint64 bytesBefore, const Progress& progress)
{
    const std::unique_ptr<MessageReader> reader = openReader(source);
    QString error;
    if (!reader->open(&error)) {
        m_report.notImported.append({QDir::toNativeSeparators(source.path), QStringLiteral("読めません: ") + error});
        return;
    }
    const QString section = m_target.keyOf(source.folders);
    while (!m_cancel) {
        const std::optional<SourceMessage> message = reader->next();
        if (!message || !importMessage(*reader, *message, section))
            break;
        if (progress && m_sinceProgress.elapsed() >= kProgressIntervalMs) {
            m_sinceProgress.restart();
            progress({m_read, bytesBefore + reader->bytesDone(), m_plan.bytes, QDir::toNativeSeparators(source.path)});
        }
    }
}

bool MailImporter::importMessage(MessageReader& reader, const SourceMessage& message, const QString& section)
{
    ++m_read;
    platform::mail::MailFileWriter writer(m_folder.stagingFolder());
    writer.open();
    QByteArray head;     // the first bytes: the whole of most messages
    bool whole = true;   // head holds all of it
    bool written = true;
    QString error;
    const bool read = reader.read(
        [&](QByteArrayView piece) {
            const qsizetype kept = std::min(piece.size(), kHeadBytes - head.size());
            head.append(piece.first(std::max<qsizetype>(kept, 0)));
            whole = whole && kept == piece.size();
            written = writer.write(piece.data(), size_t(piece.size()));
            return written;
        },
        &error);
    if (!written)
        return fail(writer.errorText());
    if (!read) {
        m_report.notImported.append({message.where, QStringLiteral("読めません: ") + error});
        return true;
    }
    if (!platform::mail::startsWithHeaderField(head)) {
        m_report.notImported.append({message.where, QStringLiteral("メールではありません")});
        return true;
    }
    const QList<platform::mail::RawHeaderField> fields = platform::mail::headerFields(head);
    const QByteArray messageId = platform::mail::fieldValue(fields, "Message-ID");
    // A message without a Message-ID is known by a digest of its bytes, read back if need be.
    QString path;
    if (!whole || messageId.trimmed().isEmpty()) {
        path = writer.commit();
        if (path.isEmpty())
            return fail(writer.errorText());
    }
    const QByteArray key =
        importKey(messageId, messageId.trimmed().isEmpty() ? digestOfFile(path, head, whole) : QByteArray());
    if (m_folder.record().contains(key) || m_batchKeys.contains(key)) {
        if (!path.isEmpty())
            QFile::remove(path);
        ++m_report.alreadyImported;
        return true;
    }
    if (path.isEmpty())
        path = writer.commit();
    if (path.isEmpty())
        return fail(writer.errorText());
    // Only a message without a date of its own is listed by its file's time.
    if (platform::mail::fieldValue(fields, "Date").isNull())
        setFileTime(path, message.time);
    const std::optional<platform::mail::MailSummary> summary =
        whole ? platform::mail::ReadMailSummary(head, path) : platform::mail::ReadMailSummary(path);
    if (!summary) {
        QFile::remove(path);
        m_report.notImported.append({message.where, QStringLiteral("メールとして読めません")});
        return true;
    }
    platform::crashPoint("read", m_read);
    const MessageFlags flags = message.flags.over(headerFlags(fields));
    const transfer::EntryFlags entry{!flags.read.value_or(true), flags.flagged.value_or(false)};
    const QString folder = flags.deleted.value_or(false) ? Trash : section;
    m_batch.append({{key, path, filingText(folder, entry)}, {QString(), folder, entry, *summary}});
    m_batchKeys.insert(key);
    m_batchBytes += writer.size();
    if (message.truncated)
        m_report.notes.append({message.where, QStringLiteral("ファイルがこのメールの途中で終わっています")});
    if (m_batch.size() >= kBatchMessages || m_batchBytes >= kBatchBytes)
        return commitBatch();
    return true;
}

bool MailImporter::commitBatch()
{
    if (m_batch.isEmpty())
        return true;
    QList<platform::mail::StagedMessage> staged;
    staged.reserve(m_batch.size());
    for (const Pending& pending : std::as_const(m_batch))
        staged.append(pending.staged);
    QString error;
    const QStringList published = m_folder.commit(staged, &error);
    QList<ImportedMessage> messages;
    for (qsizetype i = 0; i < published.size(); ++i) {
        messages.append(m_batch.at(i).message);
        messages.last().fileName = QFileInfo(published.at(i)).fileName();
    }
    m_batch.clear();
    m_batchKeys.clear();
    m_batchBytes = 0;
    if (!messages.isEmpty() && !m_filer.file(messages))
        return fail(QStringLiteral("メールの索引を書き込めませんでした"));
    m_report.imported += int(messages.size());
    platform::crashPoint("filed");
    if (!error.isEmpty())
        return fail(error); // the rest stays journaled: the next import publishes and files it
    if (!m_folder.finishCommitted(&error))
        return fail(error);
    return true;
}

} // namespace fumibako::mailimport
