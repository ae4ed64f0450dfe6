#pragma once

#include "addressbook/AddressBook.h"
#include "filing/JunkFilter.h"

#include <QList>

namespace fumibako::addressbook {

/**
 * Whether an address is in @p entries, compared without regard to letter case: the address book's
 * senders are never junk. The check keeps its own copy of the addresses.
 */
filing::KnownSender knownSenderCheck(const QList<AddressEntry>& entries);

/** The check over the address book file of @p programDir, read quietly (a broken book knows no one). */
filing::KnownSender knownSenderCheck(const QString& programDir);

} // namespace fumibako::addressbook
