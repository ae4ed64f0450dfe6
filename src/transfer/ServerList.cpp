#include "transfer/ServerList.h"

#include "platform/UserPrompts.h"
#include "storage/ProfileStore.h"
#include "transfer/OperationGuard.h"
#include "transfer/TransferErrors.h"

#include <algorithm>

namespace fumibako::transfer {

namespace {

const QString kSearchSection = QStringLiteral("Search");
// The error number of a value that has the wrong type, as the program has always reported it.
constexpr int kTypeMismatchError = 13;

// Mid$ of a 1-based position and a length, empty where the element is too short.
QString mid1(const QString& text, qsizetype position, qsizetype length = -1)
{
    if (position < 1 || position > text.size() || length == 0 || length < -1)
        return QString();
    return text.mid(position - 1, length);
}

bool containsLower(const QString& field, const QString& lowerText)
{
    return field.toLower().contains(lowerText);
}

bool rowMatches(const ServerListRow& row, const QString& lowerText, const SearchColumns& columns)
{
    return (columns.subject && containsLower(row.subject, lowerText))
        || (columns.from && containsLower(row.from, lowerText)) || (columns.date && containsLower(row.date, lowerText));
}

} // namespace

ServerListRow cutServerListRow(int position, const QString& element)
{
    ServerListRow row;
    row.number = QString::number(position);
    // 1-based positions as the LIST element's fixed labels give them: nine characters before
    // the subject, six after each TAB before the value, one space before the second TAB.
    const qsizetype subjectEnd = element.indexOf(QLatin1Char('\t'), 7) + 1;
    if (subjectEnd >= 10)
        row.subject = mid1(element, 10, subjectEnd - 10);
    const qsizetype firstTab = element.indexOf(QLatin1Char('\t')) + 1;
    if (firstTab == 0)
        return row;
    const qsizetype secondTab = element.indexOf(QLatin1Char('\t'), firstTab) + 1;
    if (secondTab == 0)
        return row;
    row.from = mid1(element, firstTab + 7, secondTab - firstTab - 8);
    row.date = mid1(element, secondTab + 7);
    return row;
}

QStringList consecutiveRunArguments(const QList<int>& numbers)
{
    QStringList arguments;
    qsizetype i = numbers.size() - 1;
    while (i >= 0) {
        const int top = numbers.at(i);
        qsizetype low = i;
        while (low > 0 && numbers.at(low - 1) == numbers.at(low) - 1)
            --low;
        if (low == i)
            arguments.append(QString::number(top));
        else
            arguments.append(QString::number(numbers.at(low)) + QLatin1Char('-') + QString::number(top));
        i = low - 1;
    }
    return arguments;
}

ServerList::ServerList(Receiver& receiver, OperationGuard& guard, platform::UserPrompts& prompts, QObject* parent)
    : QObject(parent), m_receiver(receiver), m_guard(guard), m_prompts(prompts)
{
    m_receiver.setServerListSink(this);
}

ServerList::~ServerList()
{
    detachFromReceiver();
}

void ServerList::detachFromReceiver()
{
    if (m_attached)
        m_receiver.setServerListSink(nullptr);
    m_attached = false;
}

void ServerList::setVisibleList(ServerListPane list)
{
    m_visible = list;
    Q_EMIT rowsChanged();
}

void ServerList::setListStatus(const QString& text)
{
    m_status = text;
    Q_EMIT statusChanged(text);
}

void ServerList::fillServerList(const QStringList& elements)
{
    QList<ServerListRow>& rows = listOf(ServerListPane::Server);
    for (const QString& element : elements)
        rows.append(cutServerListRow(int(rows.size()) + 1, element));
    Q_EMIT rowsChanged();
}

QStringList ServerList::loadSearchWords(const QString& userFile)
{
    m_searchWords.clear();
    const QString countText = storage::IniGetString(kSearchSection, QStringLiteral("Count"), 10, userFile);
    bool ok = false;
    int count = countText.toInt(&ok);
    QStringList lines;
    storage::IniGetSection(kSearchSection, userFile, lines);
    // A damaged count cannot ask for more words than the section has lines.
    count = ok ? std::clamp(count, 0, int(lines.size())) : 0;
    for (int i = 0; i < count; ++i)
        m_searchWords.append(storage::IniGetString(kSearchSection, QString::number(i), 70, userFile));
    return m_searchWords;
}

bool ServerList::loadForWindow(const QString& userFile)
{
    setVisibleList(ServerListPane::Server);
    const QString countText = storage::IniGetString(kSearchSection, QStringLiteral("Count"), 10, userFile);
    bool ok = true;
    if (!countText.isEmpty())
        (void)countText.toInt(&ok);
    if (!ok) {
        m_searchWords.clear();
        ShowUnexpectedError(m_prompts, kTypeMismatchError,
                            QStringLiteral("検索リストの件数「%1」が数値ではありません").arg(countText),
                            QStringLiteral("処理を中止します"));
        return false;
    }
    loadSearchWords(userFile);
    return true;
}

bool ServerList::saveSearchWords(const QString& userFile, const QStringList& words)
{
    m_searchWords = words;
    QStringList lines{QStringLiteral("Count=") + QString::number(words.size())};
    for (qsizetype i = 0; i < words.size(); ++i)
        lines.append(QString::number(i) + QLatin1Char('=') + words.at(i));
    return storage::IniWriteSection(kSearchSection, userFile, lines);
}

bool ServerList::refetch(std::function<void(ReceiveResult)> done)
{
    if (!m_guard.AcquireOperation(Operation::FetchingServerList))
        return false;
    setListStatus(QStringLiteral("リスト取得中"));
    listOf(ServerListPane::Server).clear();
    Q_EMIT rowsChanged();
    m_receiver.RunServerCommand(ServerMode::List, QString(), [this, done](ReceiveResult result) {
        setVisibleList(ServerListPane::Server);
        m_prompts.setStatus(1, QString());
        m_guard.release();
        if (done)
            done(result);
    });
    return true;
}

void ServerList::search(const QString& text, const SearchColumns& columns, bool reverse)
{
    setListStatus(QStringLiteral("検索中"));
    if (!columns.subject && !columns.from && !columns.date) {
        setListStatus(QStringLiteral("チェックしてください"));
        return;
    }
    if (text.isEmpty()) {
        setListStatus(QStringLiteral("検索する文字を入力してください"));
        return;
    }
    const QString lowerText = text.toLower();
    QList<ServerListRow> found;
    for (const ServerListRow& row : visibleRows()) {
        if (rowMatches(row, lowerText, columns) != reverse)
            found.append(row);
    }
    listOf(ServerListPane::SearchResult) = found;
    setListStatus(found.isEmpty() ? QStringLiteral("見つかりませんでした") : QStringLiteral("見つかりました"));
    setVisibleList(ServerListPane::SearchResult);
}

void ServerList::removeRows(QList<int> indexes)
{
    std::sort(indexes.begin(), indexes.end(), std::greater<int>());
    QList<ServerListRow>& rows = listOf(m_visible);
    for (int index : indexes) {
        if (index >= 0 && index < rows.size())
            rows.removeAt(index);
    }
    Q_EMIT rowsChanged();
}

bool ServerList::mayClose()
{
    return m_guard.confirmIdle();
}

ReceiveResult refetchAndWait(ServerList& list)
{
    ReceiveResult outcome = ReceiveResult::Error;
    waitUntilDone([&](std::function<void()> done) {
        if (!list.refetch([&outcome, done](ReceiveResult result) {
                outcome = result;
                done();
            }))
            done();
    });
    return outcome;
}

bool runSelectiveAndWait(ServerList& list, SelectiveCommand command, const QList<int>& selected)
{
    bool started = false;
    waitUntilDone([&](std::function<void()> done) {
        started = list.runSelective(command, selected, done);
        if (!started)
            done();
    });
    return started;
}

} // namespace fumibako::transfer
