#include "platform/mail/ReceiveRecord.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace fumibako::platform::mail {

namespace {

const QByteArray kRecordHeader = "FumibakoReceivedIds 1";
const QByteArray kJournalHeader = "FumibakoReceiveJournal 1";

// The lines of @p path after its header line; a missing file gives no line. False when the file
// exists but cannot be read or is not one of ours.
bool readLines(const QString& path, const QByteArray& header, QList<QByteArray>* lines, QString* error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *lines = data.split('\n');
    for (QByteArray& line : *lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (lines->value(0) != header) {
        *error = QStringLiteral("%1 is not a record of received mail").arg(path);
        return false;
    }
    lines->removeFirst();
    lines->removeAll(QByteArray());
    return true;
}

bool writeLines(const QString& path, const QByteArray& header, const QByteArray& body, QString* error)
{
    return writeFileAtomically(path, header + "\r\n" + body, error);
}

} // namespace

bool ReceivedIdRecord::load(const QString& path, QString* error)
{
    QList<QByteArray> lines;
    if (!readLines(path, kRecordHeader, &lines, error))
        return false;
    m_ids.clear();
    m_ids.reserve(lines.size());
    for (const QByteArray& line : std::as_const(lines))
        m_ids.insert(line);
    return true;
}

bool ReceivedIdRecord::save(const QString& path, QString* error) const
{
    QByteArray body;
    qsizetype bytes = 0;
    for (const QByteArray& id : m_ids)
        bytes += id.size() + 2;
    body.reserve(bytes);
    for (const QByteArray& id : m_ids)
        body += id + "\r\n";
    return writeLines(path, kRecordHeader, body, error);
}

bool ReceivedIdRecord::add(const QByteArray& id)
{
    if (id.isEmpty() || m_ids.contains(id))
        return false;
    m_ids.insert(id);
    return true;
}

bool ReceivedIdRecord::keepOnly(const QSet<QByteArray>& present)
{
    bool dropped = false;
    for (auto it = m_ids.begin(); it != m_ids.end();) {
        if (present.contains(*it)) {
            ++it;
        } else {
            it = m_ids.erase(it);
            dropped = true;
        }
    }
    return dropped;
}

bool ReceiveJournal::load(const QString& path, QString* error)
{
    QList<QByteArray> lines;
    if (!readLines(path, kJournalHeader, &lines, error))
        return false;
    m_entries.clear();
    for (const QByteArray& line : std::as_const(lines)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 3 || fields.size() > 4 || fields.at(1).isEmpty() || fields.at(2).isEmpty()) {
            *error = QStringLiteral("%1: a line is damaged").arg(path);
            return false;
        }
        m_entries.append({fields.at(0), QFile::decodeName(fields.at(1)), QFile::decodeName(fields.at(2)),
                          QByteArray::fromPercentEncoding(fields.value(3))});
    }
    return true;
}

bool ReceiveJournal::save(const QString& path, QString* error) const
{
    QByteArray body;
    for (const JournalEntry& entry : m_entries) {
        body += entry.id + '\t' + QFile::encodeName(entry.stagedName) + '\t' + QFile::encodeName(entry.finalName);
        // A fourth field only where there is one, so that a receive's journal keeps its three.
        if (!entry.filing.isEmpty())
            body += '\t' + entry.filing.toPercentEncoding();
        body += "\r\n";
    }
    return writeLines(path, kJournalHeader, body, error);
}

bool ReceiveJournal::remove(const QString& path, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        *error = QStringLiteral("cannot remove %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A journal that came back after a crash would file its messages again, even those the user
    // has deleted since.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace fumibako::platform::mail
