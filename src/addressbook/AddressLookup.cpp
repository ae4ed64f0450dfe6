#include "addressbook/AddressLookup.h"

#include "addressbook/AddressTable.h"

namespace fumibako::addressbook {

namespace {

QSet<QString> addressesOf(const QList<AddressEntry>& entries)
{
    QSet<QString> addresses;
    for (const AddressEntry& entry : entries) {
        const QString address = entry.address.trimmed().toLower();
        if (!address.isEmpty())
            addresses.insert(address);
    }
    return addresses;
}

} // namespace

EntryAddressLookup::EntryAddressLookup(const QList<AddressEntry>& entries) : m_addresses(addressesOf(entries)) {}

bool EntryAddressLookup::contains(const QString& address) const
{
    return m_addresses.contains(address.trimmed().toLower());
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
    return m_addresses.contains(address.trimmed().toLower());
}

} // namespace fumibako::addressbook
