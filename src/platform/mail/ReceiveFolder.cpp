#include "platform/mail/ReceiveFolder.h"

#include "platform/CrashPoint.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::platform::mail {

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

bool exists(const QString& path)
{
    struct stat info {};
    return ::lstat(encoded(path).constData(), &info) == 0;
}

// Runs @p sync (fsync for the folder's entries, syncfs for its whole file system) on @p folder.
bool syncFolder(const QString& folder, int (*sync)(int))
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = sync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

/**
 * Final names of received mail in a folder: the time to the second and a number counting up
 * within that second ("20261208093000_001.eml"), skipping names that exist or were handed out.
 * Counting on from the last number keeps a batch of thousands received in one second linear.
 */
class FinalNames {
public:
    explicit FinalNames(const QString& folder) : m_folder(folder) {}

    void reserve(const QString& name) { m_taken.insert(name); }

    QString next()
    {
        // Formatting the local time is slow next to the rest: done once a second.
        const qint64 second = QDateTime::currentSecsSinceEpoch();
        if (second != m_second) {
            m_second = second;
            const QString stem = QDateTime::fromSecsSinceEpoch(second).toString(u"yyyyMMddHHmmss") + QLatin1Char('_');
            if (stem != m_stem) {
                m_stem = stem;
                m_number = 0;
            }
        }
        for (;;) {
            const QString name =
                m_stem + QString::number(++m_number).rightJustified(3, QLatin1Char('0')) + QStringLiteral(".eml");
            if (!m_taken.contains(name) && !exists(m_folder + QLatin1Char('/') + name)) {
                m_taken.insert(name);
                return name;
            }
        }
    }

private:
    QString m_folder;
    qint64 m_second = -1;
    QString m_stem;
    int m_number = 0;
    QSet<QString> m_taken;
};

// Moves @p from to @p to unless @p to exists; errno EEXIST when it does.
bool moveWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray source = encoded(from);
    const QByteArray target = encoded(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: a hard link also refuses to replace.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    ::unlink(source.constData());
    return true;
}

// The temporary files an atomic write of @p file leaves when it is killed: file + "." + 6 characters.
bool isLeftoverOf(const QString& name, const QString& file)
{
    const QString base = QFileInfo(file).fileName() + QLatin1Char('.');
    return name.size() == base.size() + 6 && name.startsWith(base);
}

} // namespace

ReceiveFolder::ReceiveFolder(const QString& inputFolder, const QString& recordFile)
    : ReceiveFolder(inputFolder, recordFile, QStringLiteral(".receiving"))
{
}

ReceiveFolder::ReceiveFolder(const QString& inputFolder, const QString& recordFile, const QString& stagingName)
    : m_inputFolder(QDir::cleanPath(inputFolder)),
      m_stagingFolder(m_inputFolder + QLatin1Char('/') + stagingName),
      m_recordFile(recordFile)
{
}

QStringList ReceiveFolder::recoveredPaths() const
{
    QStringList paths;
    for (const RecoveredMessage& message : m_recovered)
        paths.append(message.path);
    return paths;
}

ReceiveFolder::~ReceiveFolder()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd); // releases the lock
}

QString ReceiveFolder::journalFile(const QString& recordFile)
{
    const QFileInfo info(recordFile);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".journal");
}

bool ReceiveFolder::open(QString* error)
{
    return lock(error) && recover(error);
}

bool ReceiveFolder::lock(QString* error)
{
    if (::mkdir(encoded(m_stagingFolder).constData(), 0700) != 0 && errno != EEXIST) {
        *error = systemError(QStringLiteral("Cannot create %1").arg(m_stagingFolder));
        return false;
    }
    // The lock is the input folder's, whichever staging folder is used: a receive and an import
    // of the same account write the same index and never run at once.
    m_lockFd = ::open(encoded(m_inputFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lockFd < 0) {
        *error = systemError(QStringLiteral("Cannot open %1").arg(m_inputFolder));
        return false;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        *error = errno == EWOULDBLOCK
                     ? QStringLiteral("このアカウントでは、ほかの受信かメールのインポートがまだ終わっていません。終わってから、もう一度やり直してください")
                     : systemError(QStringLiteral("Cannot lock %1").arg(m_inputFolder));
        return false;
    }
    return true;
}

bool ReceiveFolder::recover(QString* error)
{
    if (keepsRecord()) {
        const QString journalPath = journalFile(m_recordFile);
        if (!m_record.load(m_recordFile, error) || !m_journal.load(journalPath, error)) {
            *error += QStringLiteral("\r\n受信済みメールの記録が読めないため、受信を中止しました");
            return false;
        }
        // Staged files whose final name was taken meanwhile get another name, written down first.
        FinalNames names(m_inputFolder);
        for (const JournalEntry& entry : m_journal.entries())
            names.reserve(entry.finalName);
        bool renamedInJournal = false;
        for (JournalEntry& entry : m_journal.entries()) {
            if (exists(m_stagingFolder + QLatin1Char('/') + entry.stagedName)
                && exists(m_inputFolder + QLatin1Char('/') + entry.finalName)) {
                entry.finalName = names.next();
                renamedInJournal = true;
            }
        }
        if (renamedInJournal && !m_journal.save(journalPath, error))
            return false;
        bool published = false;
        for (JournalEntry& entry : m_journal.entries()) {
            if (!publishStaged(entry, &published)) {
                *error = systemError(QStringLiteral("Cannot name the received mail"));
                return false;
            }
            // A journaled message is received, even when its file is gone: the user deleted it.
            m_recordDirty = m_record.add(entry.id) || m_recordDirty;
        }
        if (published && !syncFolder(m_inputFolder, ::fsync)) {
            *error = systemError(QStringLiteral("Cannot write the received mail"));
            return false;
        }
        if (!saveRecord(error))
            return false;
    }
    removeLeftovers();
    return true;
}

bool ReceiveFolder::publishStaged(JournalEntry& entry, bool* renamed)
{
    const QString staged = m_stagingFolder + QLatin1Char('/') + entry.stagedName;
    const QString final = m_inputFolder + QLatin1Char('/') + entry.finalName;
    if (exists(staged)) {
        if (!moveWithoutReplacing(staged, final))
            return false;
        *renamed = true;
    }
    if (exists(final))
        m_recovered.append({final, entry.filing});
    return true;
}

void ReceiveFolder::removeLeftovers()
{
    // Whatever is still staged now was never journaled: a download cut short. It is fetched again.
    QDir staging(m_stagingFolder);
    for (const QString& name : staging.entryList(QDir::Files | QDir::Hidden | QDir::System))
        ::unlink(encoded(staging.filePath(name)).constData());
    if (!keepsRecord())
        return;
    const QString journalPath = journalFile(m_recordFile);
    const QDir recordDir = QFileInfo(m_recordFile).dir();
    for (const QString& name : recordDir.entryList(QDir::Files | QDir::Hidden)) {
        if (isLeftoverOf(name, m_recordFile) || isLeftoverOf(name, journalPath))
            ::unlink(encoded(recordDir.filePath(name)).constData());
    }
}

bool ReceiveFolder::saveRecord(QString* error)
{
    if (!keepsRecord() || !m_recordDirty)
        return true;
    if (!m_record.save(m_recordFile, error))
        return false;
    m_recordDirty = false;
    return true;
}

QStringList ReceiveFolder::commit(const QList<StagedMessage>& staged, QString* error)
{
    if (staged.isEmpty()) {
        saveRecord(error);
        return {};
    }
    // One flush of the file system makes the whole batch durable: a flush per file costs a disk
    // write (and on a journalling file system a commit) per message.
    if (!syncFolder(m_stagingFolder, ::syncfs)) {
        *error = systemError(QStringLiteral("Cannot write the received mail"));
        return {};
    }
    crashPoint("staged");
    FinalNames names(m_inputFolder);
    QList<JournalEntry> batch;
    for (const StagedMessage& message : staged)
        batch.append({message.id, QFileInfo(message.stagedPath).fileName(), names.next(), message.filing});
    if (keepsRecord()) {
        m_journal.entries().append(batch);
        if (!m_journal.save(journalFile(m_recordFile), error))
            return {};
        crashPoint("journaled");
        for (const JournalEntry& entry : std::as_const(batch))
            m_recordDirty = m_record.add(entry.id) || m_recordDirty;
        if (!saveRecord(error))
            return {};
        crashPoint("recorded");
    }
    QStringList published;
    for (const JournalEntry& entry : std::as_const(batch)) {
        const QString final = m_inputFolder + QLatin1Char('/') + entry.finalName;
        if (!moveWithoutReplacing(m_stagingFolder + QLatin1Char('/') + entry.stagedName, final)) {
            *error = systemError(QStringLiteral("Cannot name the received mail"));
            break;
        }
        published.append(final);
        crashPoint("published", int(published.size()));
    }
    // The new names must survive a crash too.
    if (!published.isEmpty() && !syncFolder(m_inputFolder, ::fsync) && error->isEmpty())
        *error = systemError(QStringLiteral("Cannot write the received mail"));
    return published;
}

bool ReceiveFolder::finishCommitted(QString* error)
{
    if (!keepsRecord())
        return true;
    if (!ReceiveJournal::remove(journalFile(m_recordFile), error))
        return false;
    m_journal.entries().clear();
    m_recovered.clear();
    return true;
}

bool ReceiveFolder::finishBatch(const QString& recordFile, QString* error)
{
    if (recordFile.isEmpty())
        return true;
    return ReceiveJournal::remove(journalFile(recordFile), error);
}

} // namespace fumibako::platform::mail
