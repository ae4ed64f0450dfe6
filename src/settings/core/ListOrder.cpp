#include "settings/core/ListOrder.h"

#include "settings/core/AccountNames.h"
#include "storage/ProfileStore.h"

namespace fumibako::settings {

namespace {

const QString kSyomei = QStringLiteral("Syomei");
const QString kSearch = QStringLiteral("Search");

// Entries are read whole: the lists are written back, and a name cut at the usual 69 or 49 bytes
// would no longer match its signature file or account file.
constexpr int kWholeEntry = 4096;

// An ordered list of an account's file.
QStringList readAccountList(const QString& section, const QString& file)
{
    return storage::readOrderedList(section, file, 10, kWholeEntry);
}

} // namespace

ListOrder::ListOrder(const QString& programDir) : m_programDir(programDir)
{
}

void ListOrder::open()
{
    m_accountFile.clear();
    m_lists = {readAccountRegistry(m_programDir + QStringLiteral("AName.ini"), kWholeEntry), {}, {}};
}

void ListOrder::chooseAccount(int row)
{
    if (row < 0 || row >= m_lists[Accounts].size())
        return;
    m_accountFile = m_programDir + m_lists[Accounts].at(row) + QStringLiteral(".ini");
    m_lists[Signatures] = readAccountList(kSyomei, m_accountFile);
    m_lists[SearchWords] = readAccountList(kSearch, m_accountFile);
}

int ListOrder::move(int which, int row, int delta)
{
    QStringList& entries = m_lists.at(which);
    const int target = row + delta;
    if (row < 0 || row >= entries.size() || target < 0 || target >= entries.size())
        return row;
    entries.swapItemsAt(row, target);
    return target;
}

void ListOrder::apply() const
{
    if (m_lists[Accounts].size() >= 2)
        writeAccountRegistry(m_programDir + QStringLiteral("AName.ini"), m_lists[Accounts]);
    if (m_accountFile.isEmpty())
        return;
    if (m_lists[Signatures].size() >= 2)
        storage::writeOrderedList(kSyomei, m_accountFile, m_lists[Signatures]);
    if (m_lists[SearchWords].size() >= 2)
        storage::writeOrderedList(kSearch, m_accountFile, m_lists[SearchWords]);
}

} // namespace fumibako::settings
