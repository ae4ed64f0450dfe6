// Speed of searching: building the search index of 100,000 Japanese messages of 8 KB, a search
// of two terms over them, and the quick filter over a folder of 100,000 rows.
//
//   search_bench DATADIR
//
// Makes its mailbox under DATADIR/search-bench (once; later runs reuse it) in a child process,
// so that the memory figure is the index's alone. FUMIBAKO_BENCH_MESSAGES sets another number of
// messages for a quick look, and a smoke run (FUMIBAKO_BENCH_SMOKE=1) takes 200 (the figures are
// named after 100,000 all the same).
#include "BenchSupport.h"
#include "JapaneseMail.h"

#include "search/MailCatalog.h"
#include "search/RowFilter.h"
#include "search/SearchDatabase.h"
#include "search/SearchIndex.h"
#include "search/SearchQuery.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/MailList.h"
#include "storage/ProfileStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>

#include <sys/resource.h>

using namespace fumibako;

namespace {

const int kMessages = qEnvironmentVariableIsSet("FUMIBAKO_BENCH_MESSAGES")
    ? qEnvironmentVariableIntValue("FUMIBAKO_BENCH_MESSAGES") : bench::sized(100000, 200);
constexpr int kBodyBytes = 8 * 1024;
const QString kAccount = QStringLiteral("big");

QString benchRoot(const QString& dataDir)
{
    return dataDir + QStringLiteral("/search-bench/");
}

// The mailbox: one file per message in the received mail folder, all filed in "標準BOX". Its
// "ready" file holds the number of messages.
int makeMailbox(const QString& root)
{
    QDir(root).removeRecursively();
    if (!bench::writeJapaneseMailbox(storage::AccountPaths::make(root, kAccount), kMessages, kBodyBytes))
        return 1;
    QFile ready(root + QStringLiteral("ready"));
    return ready.open(QIODevice::WriteOnly) && ready.write(QByteArray::number(kMessages)) > 0 ? 0 : 1;
}

// A mailbox made by an earlier run, of as many messages as this run wants.
bool mailboxReady(const QString& root)
{
    QFile ready(root + QStringLiteral("ready"));
    return ready.open(QIODevice::ReadOnly) && ready.readAll().toInt() == kMessages;
}

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double indexFromScratch(search::SearchIndex& index, const storage::AccountPaths& paths, search::UpdateReport& report)
{
    QElapsedTimer timer;
    timer.start();
    std::vector<search::CatalogEntry> catalog = search::readCatalog(paths, {storage::FixedFolder::Standard});
    catalog.resize(std::min(catalog.size(), size_t(kMessages)));
    report = index.update(catalog);
    return timer.nsecsElapsed() / 1e9;
}

storage::MailList listOf(const storage::AccountPaths& paths)
{
    storage::MailList rows;
    for (const storage::SharedLine& line : storage::readSectionText(paths.receivedIndexFile, storage::FixedFolder::Standard)) {
        if (std::optional<storage::MailRow> row = storage::ParseIndexLine(line.text, line.owner))
            rows.appendUnique(std::move(*row));
    }
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: search_bench DATADIR\n");
        return 2;
    }
    const QString root = benchRoot(args.at(1));
    if (args.size() > 2 && args.at(2) == QLatin1String("--make"))
        return makeMailbox(root);
    if (!mailboxReady(root)
        && QProcess::execute(QCoreApplication::applicationFilePath(), {args.at(1), QStringLiteral("--make")}) != 0) {
        std::fprintf(stderr, "search_bench: could not make the mailbox\n");
        return 1;
    }
    const storage::AccountPaths paths = storage::AccountPaths::make(root, kAccount);
    const QString indexFile = root + QStringLiteral("index.db");
    search::SearchDatabase::remove(indexFile);

    ::sync();
    const double idle = bench::residentMegabytes();
    bench::resetPeakMemory();
    search::UpdateReport report;
    const double cpuBefore = cpuSeconds();
    {
        search::SearchIndex index(indexFile, paths);
        const double seconds = indexFromScratch(index, paths, report);
        bench::printResult("index_100k", seconds, "s");
        bench::printResult("index_100k_memory", bench::peakResidentMegabytes() - idle, "MB");
    }
    std::fprintf(stderr, "indexed %d, skipped %d, index file %.0f MB, %.1f s of processor time\n", report.indexed,
                 report.skipped, QFileInfo(indexFile).size() / 1e6, cpuSeconds() - cpuBefore);

    // From the typed text to the list of results, with a connection of its own as the window has:
    // two words of the long tail, as a user looks for a message; and, for comparison, two of the
    // most common words, which nearly every message holds.
    const auto searchMs = [&](const QString& typed) {
        size_t hits = 0;
        const double ms = bench::medianMs(5, {}, [&] {
            hits = size_t(search::readOnlySearch(indexFile, search::SearchQuery::parse(typed)).value_or(search::SearchResults()).size());
        });
        std::fprintf(stderr, "search \"%s\": %zu messages in %.1f ms\n", typed.toUtf8().constData(), hits, ms);
        return ms;
    };
    using bench::JapaneseMail;
    bench::printResult("search_100k", searchMs(JapaneseMail::vocabularyWord(1500) + QLatin1Char(' ') + JapaneseMail::vocabularyWord(3000)), "ms");
    searchMs(QStringLiteral("見積 在庫"));

    // One keystroke of the quick filter: the first one prepares the rows' texts.
    const storage::MailList rows = listOf(paths);
    const search::SearchQuery keystroke = search::SearchQuery::parse(QStringLiteral("会議"));
    int matching = 0;
    const double firstMs = bench::medianMs(5, {}, [&] {
        search::RowFilter filter;
        matching = int(filter.matchingRows(rows, keystroke).size());
    });
    search::RowFilter filter;
    filter.matchingRows(rows, search::SearchQuery::parse(QStringLiteral("会")));
    const double nextMs = bench::medianMs(5, {}, [&] { filter.matchingRows(rows, keystroke); });
    bench::printResult("filter_100k", std::max(firstMs, nextMs), "ms");
    std::fprintf(stderr, "filter of %d rows: %d match; first keystroke %.1f ms, next %.1f ms\n", rows.size(),
                 matching, firstMs, nextMs);
    return report.completed ? 0 : 1;
}
