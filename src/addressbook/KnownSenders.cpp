#include "addressbook/KnownSenders.h"

#include "platform/UserPrompts.h"

#include <QSet>

#include <memory>

namespace fumibako::addressbook {

namespace {

// An entry's address as it is compared: "<a@b>" and "a@b" alike, any letter case.
QString comparableAddress(QString address)
{
    address = address.trimmed();
    if (address.startsWith(QLatin1Char('<')) && address.endsWith(QLatin1Char('>')))
        address = address.mid(1, address.size() - 2).trimmed();
    return address.toCaseFolded();
}

} // namespace

filing::KnownSender knownSenderCheck(const QList<AddressEntry>& entries)
{
    auto addresses = std::make_shared<QSet<QString>>();
    for (const AddressEntry& entry : entries) {
        const QString address = comparableAddress(entry.address);
        if (!address.isEmpty())
            addresses->insert(address);
    }
    return [addresses](const QString& address) { return addresses->contains(comparableAddress(address)); };
}

filing::KnownSender knownSenderCheck(const QString& programDir)
{
    platform::QuietPrompts quiet; // the book's own messages belong to its manager
    AddressBook book;
    LoadAddressBook(programDir, quiet, book);
    return knownSenderCheck(book.entries);
}

} // namespace fumibako::addressbook
