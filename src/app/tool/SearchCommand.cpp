#include "app/tool/SearchCommand.h"

#include "app/tool/ToolAccount.h"
#include "app/tool/ToolIo.h"
#include "search/IndexLocation.h"
#include "search/MailCatalog.h"
#include "search/SearchIndex.h"
#include "search/SearchQuery.h"


#include <cstdio>

#include <unistd.h>

namespace fumibako::tool {

using namespace fumibako::search;

namespace {

// On a terminal, the status-bar text of the window, rewritten in place.
UpdateProgress terminalProgress()
{
    if (!isatty(STDERR_FILENO))
        return {};
    return [](int done, int total) {
        if (done % 100 != 0 && done != total)
            return;
        const QByteArray line = "\r" + buildingIndexText(done, total).toUtf8() + (done == total ? "\n" : "");
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    };
}

QString hitLine(const SearchHit& hit)
{
    const QChar tab = QLatin1Char('\t');
    QString line;
    line.append(hit.folder).append(tab).append(hit.fileName()).append(tab).append(hit.sender).append(tab);
    return line.append(hit.subject).append(tab).append(hit.date);
}

} // namespace

int runSearchCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.size() < 2)
        throw UsageError{QStringLiteral("usage: fumibako-tool [--data-dir DIR] search ACCOUNT TERM...")};
    const QString& account = args.at(0);
    const SearchQuery query = SearchQuery::parse(args.mid(1).join(QLatin1Char(' ')));
    if (query.problem() != QueryProblem::None)
        throw UsageError{queryProblemText(query.problem())};
    const std::unique_ptr<ToolAccount> opened = openToolAccount(dataDirOption, account);
    if (!opened)
        return 1;
    const QString& programDir = opened->programDir;
    const storage::AccountPaths& paths = opened->paths;
    const storage::FolderTree& tree = opened->tree;
    const QString indexFile = searchIndexFile(IndexLocationInputs::fromProcess(programDir, account));
    prepareIndexFolder(indexFile);
    SearchIndex index(indexFile, paths);
    const std::vector<CatalogEntry> catalog = readCatalog(paths, receivedFolderKeys(tree));
    std::optional<SearchResults> hits;
    // A damaged index shows only when it is read: it is then built again, once.
    for (int attempt = 0; attempt < 2 && !hits; ++attempt) {
        const UpdateReport report = index.update(catalog, terminalProgress());
        if (!report.completed) {
            printError(QStringLiteral("検索用の索引を作成できませんでした: ") + report.error);
            return 1;
        }
        if (report.skipped > 0)
            printError(QStringLiteral("メールとして読めないファイルが %1 通あり、索引に入れていません").arg(report.skipped));
        hits = index.search(query);
    }
    if (!hits) {
        printError(QStringLiteral("検索用の索引を読めませんでした"));
        return 1;
    }
    for (qsizetype i = 0; i < hits->size(); ++i)
        printLine(hitLine(hits->at(i)));
    return hits->isEmpty() ? 1 : 0;
}

} // namespace fumibako::tool
