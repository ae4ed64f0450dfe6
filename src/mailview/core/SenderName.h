#pragma once

#include "addressbook/AddressBook.h"

#include <QList>
#include <QString>

namespace fumibako::mailview {

/** What the read window and the server list show for a sender the address book lacks. */
inline const QString kNotInAddressBook = QStringLiteral("未登録");

/**
 * The address of a sender text: the part between the first "<" and the last ">" after it (the
 * rest of the text when no ">" follows the "<"), or the whole text when it holds no "<".
 */
QString senderAddress(const QString& sender);

/**
 * The display name of the first entry of @p table whose address is exactly (case-sensitive)
 * senderAddress(@p sender); kNotInAddressBook when none has it or when the address book file of
 * @p programDir does not exist.
 */
QString SenderName(const QString& programDir, const QList<addressbook::AddressEntry>& table, const QString& sender);

} // namespace fumibako::mailview
