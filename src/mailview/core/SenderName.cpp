#include "mailview/core/SenderName.h"

#include <QFileInfo>

namespace fumibako::mailview {

QString senderAddress(const QString& sender)
{
    const qsizetype open = sender.indexOf(QLatin1Char('<'));
    if (open < 0)
        return sender;
    const qsizetype close = sender.lastIndexOf(QLatin1Char('>'));
    if (close < open)
        return sender.mid(open + 1);
    return sender.mid(open + 1, close - open - 1);
}

QString SenderName(const QString& programDir, const QList<addressbook::AddressEntry>& table, const QString& sender)
{
    if (!QFileInfo::exists(addressbook::addressBookFile(programDir)))
        return kNotInAddressBook;
    const QString address = senderAddress(sender);
    for (const addressbook::AddressEntry& entry : table) {
        if (entry.address == address)
            return entry.name;
    }
    return kNotInAddressBook;
}

} // namespace fumibako::mailview
