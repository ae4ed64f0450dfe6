#include "search/SearchOutcome.h"

#include "search/SearchQuery.h"
#include "search/SearchResults.h"
#include "search/SearchService.h"

namespace fumibako::search {

std::vector<storage::FoundMail> foundMailOf(const SearchResults& results)
{
    std::vector<storage::FoundMail> found;
    found.reserve(size_t(results.size()));
    for (qsizetype i = 0; i < results.size(); ++i) {
        const SearchHit hit = results.at(i);
        found.push_back({hit.folder.toString(), hit.fileName().toString()});
    }
    return found;
}

QString quotedQuery(QStringView typed, int length)
{
    QString text = typed.trimmed().toString();
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    if (text.size() > length)
        text = text.first(length) + QChar(0x2026);
    return QChar(0x300C) + text + QChar(0x300D);
}

SearchOutcome searchEveryFolder(SearchService& service, QStringView typed)
{
    SearchOutcome outcome;
    const SearchQuery query = SearchQuery::parse(typed);
    if (query.problem() != QueryProblem::None) {
        outcome.note = queryProblemText(query.problem());
        return outcome;
    }
    outcome.indexing = service.isBusy();
    const std::optional<SearchResults> results = service.search(query);
    if (!results) {
        outcome.note = QStringLiteral("検索用の索引を作成しています。しばらくしてからもう一度検索してください");
        return outcome;
    }
    outcome.searched = true;
    outcome.found = foundMailOf(*results);
    return outcome;
}

QString foundNote(QStringView typed, int count, bool indexing)
{
    QString note = count == 0 ? quotedQuery(typed) + QStringLiteral("に一致するメールは見つかりませんでした")
                              : quotedQuery(typed) + QStringLiteral("に一致するメール: %1件").arg(count);
    if (indexing)
        note += QStringLiteral("（索引を作成中のため、まだ探していないメールがあります）");
    return note;
}

} // namespace fumibako::search
