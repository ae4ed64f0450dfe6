// Speed of the mail index with a large mailbox: listing, filing new mail, trashing, memory.
// Makes its own data under the folder given as the first argument.
#include "BenchSupport.h"

#include "platform/UserPrompts.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/MailFolderView.h"
#include "storage/ProfileStore.h"
#include "storage/StoredMailReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

using namespace fumibako;
using namespace fumibako::storage;

namespace {

class SilentPrompts : public platform::UserPrompts {
public:
    platform::Answer message(const QString&, const QString&, platform::Icon, platform::Buttons) override
    {
        return platform::Answer::Yes;
    }
    void setStatus(int, const QString&) override {}
};

class NoReader : public StoredMailReader {
public:
    std::optional<StoredMailSummary> readReceived(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<StoredMailSummary> readOutgoing(const QString&, const QString&) override { return {}; }
};

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

// An account whose index holds @p sections sections of @p perSection entries, with their files.
AccountPaths makeAccount(const QString& root, const QString& name, const QStringList& sections, int perSection,
                         bool unread)
{
    const AccountPaths paths = AccountPaths::make(root, name);
    QDir().mkpath(paths.inputDir);
    QDir().mkpath(paths.outputDir);
    QDir().mkpath(paths.draftDir);
    ProfileWriteBatch batch;
    for (int s = 0; s < sections.size(); ++s) {
        QStringList lines;
        lines.reserve(perSection);
        for (int i = 0; i < perSection; ++i) {
            const QString key = mailName(s, i);
            lines.append(key + QLatin1Char('=') + entryValue(i, unread));
            touch(paths.inputDir + key);
        }
        IniWriteSection(sections.at(s), paths.receivedIndexFile, lines);
    }
    batch.commit();
    return paths;
}

int runRss(const QString& root)
{
    const double before = bench::residentMegabytes();
    FolderTree tree;
    SilentPrompts prompts;
    NoReader reader;
    MailFolderView view(tree, prompts, reader);
    view.setAccount(AccountPaths::make(root, QStringLiteral("big")), QString());
    view.SelectFolder(FixedFolder::Standard);
    clearProfileCache(); // what stays is the listing itself
    const double after = bench::residentMegabytes();
    bench::printResult("rss_listing_100k", after - before, "MB");
    return view.rows().isEmpty() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: storage_bench DATADIR [rss]\n");
        return 2;
    }
    const QString root = args.at(1) + QLatin1Char('/');
    if (args.size() > 2 && args.at(2) == QLatin1String("rss"))
        return runRss(root);

    QDir(root).removeRecursively();
    const AccountPaths big = makeAccount(root, QStringLiteral("big"), {FixedFolder::Standard}, 100000, false);
    FolderTree tree;
    SilentPrompts prompts;
    NoReader reader;
    MailFolderView view(tree, prompts, reader);
    view.setAccount(big, QString());

    bench::printResult("list_standard_100k",
                       bench::medianMs(5, [] { clearProfileCache(); }, [&] { view.SelectFolder(FixedFolder::Standard); }),
                       "ms");

    const double filing = bench::medianMs(1, {}, [&] {
        ProfileWriteBatch batch;
        for (int i = 0; i < 1000; ++i) {
            const QString key = QStringLiteral("new%1.eml").arg(i);
            touch(big.inputDir + key);
            IniWriteString(FixedFolder::Standard, key, entryValue(i, true), big.receivedIndexFile);
        }
        batch.commit();
    });
    bench::printResult("file_1000_new", filing, "ms");

    view.SelectFolder(FixedFolder::Standard);
    QList<int> selected;
    for (int i = 0; i < view.rows().size() && selected.size() < 10000; i += 10)
        selected.append(i);
    bench::printResult("trash_10k", bench::medianMs(1, {}, [&] { view.moveToTrash(selected); }), "ms");

    QStringList sections;
    for (int i = 0; i < 10; ++i) {
        const int folder = tree.addFolder(kInboxNode);
        sections.append(tree.node(folder).key);
    }
    const AccountPaths unread = makeAccount(root, QStringLiteral("unread"), sections, 10000, true);
    view.setAccount(unread, QString());
    bench::printResult("list_unread_10x10k",
                       bench::medianMs(5, [] { clearProfileCache(); }, [&] { view.SelectFolder(FixedFolder::Unread); }),
                       "ms");
    QDir(root + QStringLiteral("MailBox/unread")).removeRecursively();
    return 0;
}
