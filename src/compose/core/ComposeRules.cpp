#include "compose/core/ComposeRules.h"


#include <QFile>
#include <QFileInfo>

namespace fumibako::compose {

QStringList splitList(const QString& text)
{
    if (text.isEmpty())
        return {};
    return text.split(kListSeparator);
}

QString joinList(const QStringList& items)
{
    QStringList used;
    for (const QString& item : items) {
        if (item.isEmpty())
            break;
        used.append(item);
    }
    return used.join(kListSeparator);
}

QString appendToList(QString list, const QStringList& additions)
{
    for (const QString& item : additions) {
        if (!list.isEmpty())
            list += kListSeparator;
        list += item;
    }
    return list;
}

QString redirectRecipients(const QString& transName, const QString& typedTo)
{
    return typedTo.isEmpty() ? transName : transName + kListSeparator + typedTo;
}

QString singleLine(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return text;
}

QStringList recentRecipients(const storage::AddressHistory& history)
{
    QStringList entries;
    for (int i = 0; i < 6 && !history.at(i).isEmpty(); ++i)
        entries.append(history.at(i));
    return entries;
}

void replaceRedirectInHistory(storage::AddressHistory& history, const QString& sentTo, const QString& typedTo)
{
    if (history.front() == sentTo) {
        std::move(history.begin() + 1, history.end(), history.begin());
        history.back().clear();
    }
    storage::PushHistory(typedTo, history);
}

QStringList attachmentPaths(const QString& attachmentList)
{
    QStringList paths;
    for (const QString& entry : splitList(attachmentList)) {
        const QString path = entry.section(QLatin1Char('|'), 0, 0).trimmed();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

QStringList unreadableAttachments(const QString& attachmentList)
{
    QStringList unreadable;
    for (const QString& path : attachmentPaths(attachmentList)) {
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            unreadable.append(path);
    }
    return unreadable;
}

} // namespace fumibako::compose
