#include "search/MailWords.h"

#include "platform/mail/MailLibrary.h"
#include "search/MailCatalog.h"
#include "platform/TextRules.h"
#include "storage/IndexEntry.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/Sending.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace fumibako::search {

namespace {

constexpr char kDateFormat[] = "yyyy/MM/dd HH:mm:ss";

QString joinLines(const QStringList& parts)
{
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            kept.append(part);
    }
    return kept.join(QLatin1Char('\n'));
}

std::optional<IndexedMail> readReceived(const QString& file, const QString& place, const QString& folder)
{
    std::optional<platform::mail::MailText> mail = platform::mail::ReadMailText(file);
    if (!mail)
        return std::nullopt;
    IndexedMail indexed;
    indexed.message = {place, folder, storage::indexField(mail->from), storage::indexField(mail->subject),
                       mail->date, fileStamp(file)};
    indexed.words = {textrules::foldText(mail->subject), textrules::foldText(mail->from), textrules::foldText(joinLines({mail->to, mail->cc})),
                     textrules::foldText(mail->body), textrules::foldText(mail->attachmentNames.join(QLatin1Char('\n')))};
    return indexed;
}

// An outgoing file is named after the time it was written ("yyyyMMdd-HHmmss.txt"); a file of
// another name has the time it was last written.
QString outgoingDate(const QString& file, const QString& name)
{
    const QDateTime named = QDateTime::fromString(name.left(15), QStringLiteral("yyyyMMdd-HHmmss"));
    const QDateTime when = named.isValid() ? named : QFileInfo(file).lastModified();
    return when.toString(QLatin1String(kDateFormat));
}

// The names the attachments of an outgoing file go out with: "path|name" carries its name,
// a bare path the file's own.
QString attachmentNames(const QString& attachmentLine)
{
    QStringList names;
    for (const QString& entry : transfer::ListToTabs(attachmentLine).split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
        const qsizetype bar = entry.indexOf(QLatin1Char('|'));
        names.append(bar >= 0 ? entry.mid(bar + 1) : QFileInfo(entry).fileName());
    }
    return names.join(QLatin1Char('\n'));
}

std::optional<IndexedMail> readOutgoing(const storage::AccountPaths& paths, const QString& place, const QString& folder)
{
    const QString file = filePathOf(paths, place);
    const QString name = fileNameOf(place);
    transfer::CurrentMail mail;
    if (!transfer::ReadOutgoingFile(mail, file.left(file.size() - name.size()), name))
        return std::nullopt;
    IndexedMail indexed;
    indexed.message = {place, folder, storage::indexField(mail.to), storage::indexField(mail.subject),
                       outgoingDate(file, name), fileStamp(file)};
    indexed.words = {textrules::foldText(mail.subject), QString(), textrules::foldText(joinLines({mail.to, mail.cc, mail.bcc})),
                     textrules::foldText(mail.body), textrules::foldText(attachmentNames(mail.attachments.value(0)))};
    return indexed;
}

} // namespace

std::optional<IndexedMail> readIndexedMail(const storage::AccountPaths& paths, const QString& place,
                                           const QString& folder)
{
    if (isRewritable(place))
        return readOutgoing(paths, place, folder);
    return readReceived(filePathOf(paths, place), place, folder);
}

QString fileStamp(const QString& file)
{
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return QString();
    return QString::number(qint64(info.st_size)) + QLatin1Char(':') + QString::number(qint64(info.st_mtim.tv_sec))
        + QLatin1Char('.') + QString::number(qint64(info.st_mtim.tv_nsec));
}

} // namespace fumibako::search
