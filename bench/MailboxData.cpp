#include "MailboxData.h"

#include "storage/ProfileStore.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace fumibako::bench {

QString mailName(int section, int i)
{
    return QStringLiteral("20261201%1%2.eml").arg(section, 2, 10, QLatin1Char('0')).arg(i, 6, 10, QLatin1Char('0'));
}

QString entryValue(int i, bool unread)
{
    return QStringLiteral("0%1%2\t山田太郎 <taro.yamada%3@example.co.jp>\t【ご案内】年末年始の営業についてのお知らせ その%3\t2026/12/01 %4:%5:00")
        .arg(unread ? 1 : 0)
        .arg(i % 7 == 0 ? 1 : 0)
        .arg(i)
        .arg(i % 24, 2, 10, QLatin1Char('0'))
        .arg(i % 60, 2, 10, QLatin1Char('0'));
}

void touch(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY, 0644);
    if (fd >= 0)
        ::close(fd);
}

storage::AccountPaths makeAccount(const QString& root, const QString& name, const QStringList& sections,
                                  int perSection, bool unread)
{
    const storage::AccountPaths paths = storage::AccountPaths::make(root, name);
    QDir().mkpath(paths.inputDir);
    QDir().mkpath(paths.outputDir);
    QDir().mkpath(paths.draftDir);
    storage::ProfileWriteBatch batch;
    for (int s = 0; s < sections.size(); ++s) {
        QStringList lines;
        lines.reserve(perSection);
        for (int i = 0; i < perSection; ++i) {
            const QString key = mailName(s, i);
            lines.append(key + QLatin1Char('=') + entryValue(i, unread));
            touch(paths.inputDir + key);
        }
        storage::IniWriteSection(sections.at(s), paths.receivedIndexFile, lines);
    }
    batch.commit();
    // Write the new files out now, so that no timed step pays for making them.
    ::sync();
    return paths;
}

} // namespace fumibako::bench
