#pragma once

#include "addressbook/AddressBook.h"
#include "filing/FilingEngine.h"

#include <QObject>
#include <QSet>

namespace fumibako::addressbook {

/**
 * @short The addresses of a list of address-book entries, as the filing stages ask for senders:
 * rules test for them, and they are never junk. Keeps its own copy; addresses are compared
 * without regard to letter case, "<a@b>" as "a@b".
 */
class EntryAddressLookup : public filing::AddressBookLookup {
public:
    explicit EntryAddressLookup(const QList<AddressEntry>& entries);
    /** The book in the address book file of @p programDir, read quietly (a broken book knows no one). */
    static EntryAddressLookup fromFile(const QString& programDir);

    bool contains(const QString& address) const override;

private:
    QSet<QString> m_addresses; // case-folded
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
