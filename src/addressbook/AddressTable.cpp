#include "addressbook/AddressTable.h"

namespace fumibako::addressbook {

namespace {

AddressTable& programTable()
{
    static AddressTable table;
    return table;
}

} // namespace

const AddressTable& AddressTable::instance()
{
    return programTable();
}

void RebuildAddressTable(const QList<AddressEntry>& managerEntries)
{
    programTable().m_entries = managerEntries;
}

void RebuildAddressTable(const QString& programDir, platform::UserPrompts& prompts, AddressBook* loaded)
{
    AddressBook book;
    LoadAddressBook(programDir, prompts, book);
    RebuildAddressTable(book.entries);
    if (loaded)
        *loaded = std::move(book);
}

} // namespace fumibako::addressbook
