// Speed of the mail index with a large mailbox: listing, filing new mail, trashing, memory.
// Makes its own data under the folder given as the first argument (a few hundred entries in a
// smoke run, FUMIBAKO_BENCH_SMOKE=1).
#include "BenchSupport.h"
#include "MailboxData.h"

#include "platform/UserPrompts.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/MailFolderView.h"
#include "storage/ProfileStore.h"
#include "storage/StoredMailReader.h"

#include <QCoreApplication>
#include <QDir>

using namespace fumibako;
using namespace fumibako::storage;
using fumibako::bench::entryValue;
using fumibako::bench::makeAccount;
using fumibako::bench::touch;

namespace {

using bench::SilentPrompts;

class NoReader : public StoredMailReader {
public:
    std::optional<StoredMailSummary> readReceived(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<StoredMailSummary> readOutgoing(const QString&, const QString&) override { return {}; }
};

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
    const int newMail = bench::sized(1000, 20);
    const AccountPaths big =
        makeAccount(root, QStringLiteral("big"), {FixedFolder::Standard}, bench::sized(100000, 200), false);
    FolderTree tree;
    SilentPrompts prompts;
    NoReader reader;
    MailFolderView view(tree, prompts, reader);
    view.setAccount(big, QString());

    bench::printResult("list_standard_100k",
                       bench::medianMs(5, [] { clearProfileCache(); }, [&] { view.SelectFolder(FixedFolder::Standard); }),
                       "ms");

    // The mail files arrive first (the mail library writes them); what is timed is filing them.
    for (int i = 0; i < newMail; ++i)
        touch(big.inputDir + QStringLiteral("new%1.eml").arg(i));
    const double filing = bench::medianMs(1, {}, [&] {
        ProfileWriteBatch batch;
        for (int i = 0; i < newMail; ++i)
            IniWriteString(FixedFolder::Standard, QStringLiteral("new%1.eml").arg(i), entryValue(i, true),
                           big.receivedIndexFile);
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
    const AccountPaths unread = makeAccount(root, QStringLiteral("unread"), sections, bench::sized(10000, 20), true);
    view.setAccount(unread, QString());
    bench::printResult("list_unread_10x10k",
                       bench::medianMs(5, [] { clearProfileCache(); }, [&] { view.SelectFolder(FixedFolder::Unread); }),
                       "ms");
    QDir(root + QStringLiteral("MailBox/unread")).removeRecursively();
    return 0;
}
