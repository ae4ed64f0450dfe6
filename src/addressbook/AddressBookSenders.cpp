#include "addressbook/AddressBookSenders.h"

#include "platform/UserPrompts.h"

namespace fumibako::addressbook {

namespace {

QString comparableAddress(QString address)
{
    address = address.trimmed();
    if (address.startsWith(QLatin1Char('<')) && address.endsWith(QLatin1Char('>')))
        address = address.mid(1, address.size() - 2).trimmed();
    return address.toCaseFolded();
}

} // namespace

AddressBookSenders::AddressBookSenders(const QList<AddressEntry>& entries)
{
    for (const AddressEntry& entry : entries) {
        const QString address = comparableAddress(entry.address);
        if (!address.isEmpty())
            m_addresses.insert(address);
    }
}

AddressBookSenders AddressBookSenders::fromFile(const QString& programDir)
{
    platform::QuietPrompts quiet; // the book's own messages belong to its manager
    AddressBook book;
    LoadAddressBook(programDir, quiet, book);
    return AddressBookSenders(book.entries);
}

bool AddressBookSenders::contains(const QString& address) const
{
    return m_addresses.contains(comparableAddress(address));
}

} // namespace fumibako::addressbook
