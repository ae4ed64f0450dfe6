#include "storage/AddressHistory.h"

#include "storage/ProfileStore.h"

#include <QStringList>

namespace fumibako::storage {

namespace {
constexpr int kUsedSlots = 6;
}

AddressHistory readAddressHistory(const QString& section, const QString& userFile)
{
    AddressHistory history;
    const QString countText = IniGetString(section, QStringLiteral("Count"), 10, userFile);
    if (countText.isEmpty())
        return history;
    bool ok = false;
    const int count = countText.trimmed().toInt(&ok);
    if (!ok)
        return history;
    for (int i = 0; i < count && i < static_cast<int>(history.size()); ++i)
        history[i] = IniGetString(section, QString::number(i), 100, userFile);
    return history;
}

void writeAddressHistory(const QString& section, const QString& userFile, const AddressHistory& history)
{
    QStringList entries;
    for (const QString& address : history) {
        if (address.isEmpty())
            break;
        entries.append(address);
    }
    if (entries.isEmpty())
        return;
    writeOrderedList(section, userFile, entries);
}

AddressHistories readAddressHistories(const QString& userFile)
{
    return {readAddressHistory(QStringLiteral("RirekiTo"), userFile),
            readAddressHistory(QStringLiteral("RirekiCC"), userFile),
            readAddressHistory(QStringLiteral("RirekiBCC"), userFile)};
}

void writeAddressHistories(const QString& userFile, const AddressHistories& histories)
{
    writeAddressHistory(QStringLiteral("RirekiTo"), userFile, histories.to);
    writeAddressHistory(QStringLiteral("RirekiCC"), userFile, histories.cc);
    writeAddressHistory(QStringLiteral("RirekiBCC"), userFile, histories.bcc);
}

void PushHistory(const QString& text, AddressHistory& history)
{
    if (text.isEmpty())
        return;
    AddressHistory updated;
    int used = 0;
    updated[used++] = text;
    for (const QString& old : history) {
        if (old.isEmpty() || used == kUsedSlots)
            break;
        if (old != text)
            updated[used++] = old;
    }
    history = updated;
}

} // namespace fumibako::storage
