#pragma once

#include "addressbook/AddressBook.h"
#include "filing/FilingEngine.h"

#include <QObject>
#include <QSet>

namespace fumibako::addressbook {

/** @short The addresses of a list of address-book entries, as the filing rules ask for senders. */
class EntryAddressLookup : public filing::AddressBookLookup {
public:
    explicit EntryAddressLookup(const QList<AddressEntry>& entries);
    bool contains(const QString& address) const override;

private:
    QSet<QString> m_addresses; // lower case
};

/**
 * @short The program's address table as the filing rules see it, up to date after every
 * rebuild of the table. Used on the user-interface thread.
 */
class ProgramAddressLookup : public filing::AddressBookLookup {
public:
    ProgramAddressLookup();
    bool contains(const QString& address) const override;

private:
    QObject m_context; // ends the connection to the table's notifier with the lookup
    mutable QSet<QString> m_addresses;
    mutable bool m_stale = true;
};

} // namespace fumibako::addressbook
