#include "mailimport/ImportSources.h"

#include "platform/mail/HeaderFields.h"
#include "platform/mail/Iconv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace fumibako::mailimport {

namespace {

constexpr int kMaxDepth = 64;

enum class FileKind { Mbox, Message, Empty, NotMail, Unreadable };

FileKind kindOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileKind::Unreadable;
    const QByteArray start = file.read(1000);
    if (start.isEmpty())
        return file.size() == 0 ? FileKind::Empty : FileKind::Unreadable;
    if (start.startsWith("From "))
        return FileKind::Mbox;
    return platform::mail::startsWithHeaderField(start) ? FileKind::Message : FileKind::NotMail;
}

bool isDigits(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isMaildir(const QDir& dir)
{
    return QFileInfo(dir.filePath(QStringLiteral("cur"))).isDir() && QFileInfo(dir.filePath(QStringLiteral("new"))).isDir();
}

bool isMhFolder(const QDir& dir)
{
    const QStringList files = dir.entryList(QDir::Files);
    return std::any_of(files.cbegin(), files.cend(), isDigits);
}

// What other mail programs keep beside their mail (summaries, indexes, lists of folders): not
// mail, and not worth a line in the report.
bool isCompanionFile(const QString& name)
{
    static const QStringList suffixes = {QStringLiteral("msf"), QStringLiteral("dat"), QStringLiteral("plist"),
                                         QStringLiteral("sqlite"), QStringLiteral("json"), QStringLiteral("toc"),
                                         QStringLiteral("idx"), QStringLiteral("ind"), QStringLiteral("lock")};
    static const QStringList names = {QStringLiteral("subscriptions"), QStringLiteral("maildirfolder"),
                                      QStringLiteral("courierimapuiddb"), QStringLiteral("courierimapkeywords")};
    const QString lower = name.toLower();
    return suffixes.contains(QFileInfo(lower).suffix()) || names.contains(lower) || lower.startsWith(QLatin1String("dovecot"));
}

QString withoutMailboxSuffix(const QString& name)
{
    for (const QLatin1String suffix : {QLatin1String(".mbox"), QLatin1String(".mbx"), QLatin1String(".sbd")}) {
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive))
            return name.chopped(suffix.size());
    }
    return name;
}

qint64 sizeOfFiles(const QDir& dir)
{
    qint64 bytes = 0;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files))
        bytes += info.size();
    return bytes;
}

class Planner {
public:
    ImportPlan plan;

    void chosenPath(const QString& path)
    {
        const QFileInfo info(path);
        if (info.isDir()) {
            walkFolder(info.absoluteFilePath(), {}, 0);
            return;
        }
        switch (kindOfFile(path)) {
        case FileKind::Mbox:
            addMbox(info.absoluteFilePath(), {});
            break;
        case FileKind::Message:
            addSource(SourceFormat::MessageFile, info.absoluteFilePath(), {}, info.size());
            break;
        case FileKind::Empty:
            plan.skipped.append({path, QStringLiteral("空のファイルです")});
            break;
        case FileKind::NotMail:
            plan.skipped.append({path, QStringLiteral("メールのファイルではありません")});
            break;
        case FileKind::Unreadable:
            plan.skipped.append({path, info.exists() ? QStringLiteral("読めません") : QStringLiteral("見つかりません")});
            break;
        }
    }

private:
    QSet<QString> m_visited; // folders by their real path: a link back up is not followed twice

    void addSource(SourceFormat format, const QString& path, const QStringList& folders, qint64 bytes)
    {
        plan.sources.append({format, path, folders, bytes});
        plan.bytes += bytes;
        plan.addFolder(folders);
    }

    // An mbox file, and the subfolders Thunderbird keeps in the folder of its name + ".sbd".
    void addMbox(const QString& path, const QStringList& folders)
    {
        addSource(SourceFormat::Mbox, path, folders, QFileInfo(path).size());
        const QString subfolders = path + QStringLiteral(".sbd");
        if (QFileInfo(subfolders).isDir())
            walkFolder(subfolders, folders, 1);
    }

    void walkFolder(const QString& path, const QStringList& folders, int depth)
    {
        const QString real = QFileInfo(path).canonicalFilePath();
        if (depth > kMaxDepth || real.isEmpty() || m_visited.contains(real))
            return;
        m_visited.insert(real);
        const QDir dir(path);
        if (isMaildir(dir)) {
            addMaildir(dir, folders, depth);
        } else if (isMhFolder(dir)) {
            addSource(SourceFormat::Mh, path, folders, sizeOfFiles(dir));
            for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
                walkFolder(dir.filePath(name), folders + QStringList{folderNameFrom(name)}, depth + 1);
        } else {
            walkEntries(dir, folders, depth);
        }
    }

    void addMaildir(const QDir& dir, const QStringList& folders, int depth)
    {
        addSource(SourceFormat::Maildir, dir.path(), folders,
                  sizeOfFiles(QDir(dir.filePath(QStringLiteral("cur")))) + sizeOfFiles(QDir(dir.filePath(QStringLiteral("new")))));
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
            if (name == QLatin1String("cur") || name == QLatin1String("new") || name == QLatin1String("tmp"))
                continue;
            if (!name.startsWith(QLatin1Char('.'))) {
                walkFolder(dir.filePath(name), folders + QStringList{folderNameFrom(name)}, depth + 1);
                continue;
            }
            // Maildir++: ".Work.2024" is the folder Work with 2024 below it.
            const QDir sub(dir.filePath(name));
            if (!isMaildir(sub))
                continue;
            QStringList path = folders;
            for (const QByteArray& part : QFile::encodeName(name.mid(1)).split('.')) {
                if (!part.isEmpty())
                    path.append(folderNameFrom(maildirFolderName(part)));
            }
            addSource(SourceFormat::Maildir, sub.path(), path,
                      sizeOfFiles(QDir(sub.filePath(QStringLiteral("cur")))) + sizeOfFiles(QDir(sub.filePath(QStringLiteral("new")))));
        }
    }

    void walkEntries(const QDir& dir, const QStringList& folders, int depth)
    {
        const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString name = entry.fileName();
            if (entry.isDir()) {
                // A Thunderbird ".sbd" folder is read with the file of its name, when there is one.
                const bool withItsFile = name.endsWith(QLatin1String(".sbd")) && QFileInfo(entry.path() + QLatin1Char('/') + name.chopped(4)).isFile();
                if (!withItsFile)
                    walkFolder(entry.filePath(), folders + QStringList{folderNameFrom(withoutMailboxSuffix(name))}, depth + 1);
                continue;
            }
            addEntryFile(entry, folders, depth);
        }
    }

    void addEntryFile(const QFileInfo& entry, const QStringList& folders, int depth)
    {
        const QString name = entry.fileName();
        // An mbox named "mbox" is the messages of the folder it lies in (as mail programs export a folder).
        const QStringList own = name == QLatin1String("mbox") ? folders : folders + QStringList{folderNameFrom(withoutMailboxSuffix(name))};
        switch (kindOfFile(entry.filePath())) {
        case FileKind::Mbox:
            addMbox(entry.filePath(), own);
            break;
        case FileKind::Message:
            addSource(SourceFormat::MessageFile, entry.filePath(), folders, entry.size());
            break;
        case FileKind::Empty:
            // An empty Thunderbird folder still is a folder: it has its summary, or subfolders.
            if (QFileInfo::exists(entry.filePath() + QStringLiteral(".msf")))
                plan.addFolder(own);
            if (QFileInfo(entry.filePath() + QStringLiteral(".sbd")).isDir())
                walkFolder(entry.filePath() + QStringLiteral(".sbd"), own, depth + 1);
            break;
        case FileKind::NotMail:
            if (!isCompanionFile(name))
                plan.skipped.append({entry.filePath(), QStringLiteral("メールのファイルではありません")});
            break;
        case FileKind::Unreadable:
            plan.skipped.append({entry.filePath(), QStringLiteral("読めません")});
            break;
        }
    }
};

} // namespace

void ImportPlan::addFolder(const QStringList& folder)
{
    if (!folder.isEmpty() && !folders.contains(folder))
        folders.append(folder);
}

ImportPlan planImport(const QStringList& paths)
{
    Planner planner;
    for (const QString& path : paths)
        planner.chosenPath(path);
    return std::move(planner.plan);
}

QString folderNameFrom(const QString& name)
{
    static const QString forbidden = QStringLiteral("\\/?:*\"<>|[]=");
    QString clean;
    clean.reserve(name.size());
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            continue;
        // The full-width forms lie 0xFEE0 above the ASCII ones.
        clean += forbidden.contains(c) ? QChar(c.unicode() + 0xFEE0) : c;
    }
    clean = clean.trimmed();
    return clean.isEmpty() ? QStringLiteral("無題") : clean;
}

QString maildirFolderName(const QByteArray& encoded)
{
    if (encoded.contains('&')) {
        bool clean = true;
        const QString decoded = platform::mail::decodeWithIconv(encoded, "UTF-7-IMAP", &clean);
        // Only what encodes back to the same bytes was modified UTF-7 ("R&D" is not).
        platform::mail::Iconv back("UTF-7-IMAP", "UTF-8");
        if (clean && !decoded.isEmpty() && back.isValid() && back.convert(decoded.toUtf8(), "?") == encoded)
            return decoded;
    }
    return QString::fromUtf8(encoded);
}

} // namespace fumibako::mailimport
