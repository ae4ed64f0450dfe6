#include "transfer/OutgoingMailFile.h"

#include "platform/AtomicFile.h"
#include "platform/Cp932.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <optional>

namespace fumibako::transfer {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);
const QString kCrLf = QStringLiteral("\r\n");

// A header text must stay on its own line.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// Lines as a line-by-line reader sees them: the break after the last line ends it and starts
// no further, empty line; a lone LF (a file edited elsewhere) also ends a line.
QStringList splitLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

// " 1 " and the like; spaces anywhere are ignored; nothing when it is no 16-bit integer.
std::optional<qint16> parseKeepFlag(QString line)
{
    line.remove(QLatin1Char(' '));
    bool ok = false;
    const short value = line.toShort(&ok);
    if (!ok)
        return std::nullopt;
    return value == 0 ? 0 : 1;
}

// A reply's references, kept beside the file: its line layout is fixed, and every reader of it
// (older versions of this program included) must go on reading it as it is.
QString companionPath(const QString& folder, const QString& name)
{
    return folder + storage::outgoingCompanionName(name);
}

const QLatin1String kInReplyTo("In-Reply-To: ");
const QLatin1String kReferences("References: ");

bool writeReplyCompanion(const QString& folder, const QString& name, const platform::mail::ReplyReferences& reply,
                         QString* error)
{
    const QString path = companionPath(folder, name);
    if (reply.isEmpty()) {
        // A file written over one that was a reply, or a name used again, must not keep them.
        if (QFile::remove(path) || !QFileInfo::exists(path))
            return true;
        if (error)
            *error = QStringLiteral("%1 を削除できませんでした").arg(path);
        return false;
    }
    const QString text = kInReplyTo + oneLine(reply.inReplyTo) + kCrLf + kReferences + oneLine(reply.references) + kCrLf;
    return platform::writeFileAtomically(path, text.toUtf8(), error);
}

platform::mail::ReplyReferences readReplyCompanion(const QString& folder, const QString& name)
{
    platform::mail::ReplyReferences reply;
    QFile file(companionPath(folder, name));
    if (!file.open(QIODevice::ReadOnly))
        return reply;
    for (const QString& line : splitLines(QString::fromUtf8(file.readAll()))) {
        if (line.startsWith(kInReplyTo))
            reply.inReplyTo = line.mid(kInReplyTo.size()).trimmed();
        else if (line.startsWith(kReferences))
            reply.references = line.mid(kReferences.size()).trimmed();
    }
    return reply;
}

} // namespace

QString freeOutgoingName(const storage::AccountPaths& paths, QDateTime when)
{
    using namespace storage::FixedFolder;
    for (;;) {
        const QString name = storage::MakeTimestampName(when);
        bool taken = QFileInfo::exists(paths.outputDir + name) || QFileInfo::exists(paths.draftDir + name);
        for (const QString& section : {Outbox, SentBox, Drafts})
            taken = taken || !storage::IniGetString(section, name, 256, paths.outgoingIndexFile).isEmpty();
        if (!taken)
            return name;
        when = when.addSecs(1);
    }
}

QString decodeOutgoingText(const QByteArray& bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(kUtf8Bom.size()));
    return platform::decodeCp932(bytes);
}

QByteArray outgoingFileBytes(const CurrentMail& mail)
{
    const QString attachmentLine = mail.attachments.isEmpty() ? QString() : mail.attachments.first();
    const QStringList header{oneLine(mail.to), oneLine(mail.cc), oneLine(mail.bcc), oneLine(attachmentLine),
                             oneLine(mail.subject), QStringLiteral(" %1 ").arg(mail.keepFlag)};
    QString text = header.join(kCrLf) + kCrLf + mail.body + kCrLf;
    return kUtf8Bom + text.toUtf8();
}

bool WriteOutgoingFile(const CurrentMail& mail, QString* error)
{
    // The references first: a file is never there without those it was written with.
    return writeReplyCompanion(mail.mailPath, mail.mailName, mail.reply, error) &&
           platform::writeFileAtomically(mail.mailPath + mail.mailName, outgoingFileBytes(mail), error);
}

bool RemoveOutgoingFile(const QString& folder, const QString& name)
{
    const bool removed = QFile::remove(folder + name);
    if (removed || !QFileInfo::exists(folder + name))
        QFile::remove(companionPath(folder, name));
    return removed;
}

bool ReadOutgoingFile(CurrentMail& mail, const QString& folder, const QString& name)
{
    QFile file(folder + name);
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = splitLines(decodeOutgoingText(file.readAll()));
    if (lines.size() < 6)
        return false;
    const std::optional<qint16> keepFlag = parseKeepFlag(lines.at(5));
    if (!keepFlag)
        return false;
    mail.mailPath = folder;
    mail.mailName = name;
    mail.to = lines.at(0);
    mail.cc = lines.at(1);
    mail.bcc = lines.at(2);
    mail.attachments = QStringList{lines.at(3)};
    mail.subject = lines.at(4);
    mail.keepFlag = *keepFlag;
    mail.body = lines.mid(6).join(kCrLf);
    mail.from = mail.to;
    mail.date = name.left(qMax(0, name.size() - 4));
    mail.reply = readReplyCompanion(folder, name);
    return true;
}

} // namespace fumibako::transfer
