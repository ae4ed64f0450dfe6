#pragma once

#include "addressbook/AddressBook.h"
#include "filing/FilingEngine.h"

#include <QList>
#include <QSet>

namespace fumibako::addressbook {

/**
 * @short The addresses of the address book, as the filing stages ask for them: its senders are
 * never junk, and rules can test for them. Keeps its own copy; addresses compared without regard
 * to letter case, "<a@b>" as "a@b".
 */
class AddressBookSenders : public filing::AddressBookLookup {
public:
    explicit AddressBookSenders(const QList<AddressEntry>& entries);
    /** The book in the address book file of @p programDir, read quietly (a broken book knows no one). */
    static AddressBookSenders fromFile(const QString& programDir);

    bool contains(const QString& address) const override;

private:
    QSet<QString> m_addresses;
};

} // namespace fumibako::addressbook
