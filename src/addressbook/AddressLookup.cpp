#include "addressbook/AddressLookup.h"

#include "addressbook/AddressTable.h"
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

QSet<QString> addressesOf(const QList<AddressEntry>& entries)
{
    QSet<QString> addresses;
    for (const AddressEntry& entry : entries) {
        const QString address = comparableAddress(entry.address);
        if (!address.isEmpty())
            addresses.insert(address);
    }
    return addresses;
}

} // namespace

EntryAddressLookup::EntryAddressLookup(const QList<AddressEntry>& entries) : m_addresses(addressesOf(entries)) {}

EntryAddressLookup EntryAddressLookup::fromFile(const QString& programDir)
{
    platform::QuietPrompts quiet; // the book's own messages belong to its manager
    AddressBook book;
    LoadAddressBook(programDir, quiet, book);
    return EntryAddressLookup(book.entries);
}

bool EntryAddressLookup::contains(const QString& address) const
{
    return m_addresses.contains(comparableAddress(address));
}

ProgramAddressLookup::ProgramAddressLookup()
{
    QObject::connect(&AddressTable::notifier(), &AddressTableNotifier::changed, &m_context, [this] { m_stale = true; });
}

bool ProgramAddressLookup::contains(const QString& address) const
{
    if (m_stale) {
        m_addresses = addressesOf(AddressTable::instance().entries());
        m_stale = false;
    }
    return m_addresses.contains(comparableAddress(address));
}

} // namespace fumibako::addressbook
