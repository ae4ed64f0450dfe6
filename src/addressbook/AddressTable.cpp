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

AddressTableNotifier& AddressTable::notifier()
{
    static AddressTableNotifier notifier;
    return notifier;
}

void RebuildAddressTable(const QList<AddressEntry>& managerEntries)
{
    programTable().m_entries = managerEntries;
    Q_EMIT AddressTable::notifier().changed();
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
