#include "app/tool/MailCommands.h"

#include "app/tool/ToolIo.h"
#include "platform/mail/MailLibrary.h"
#include "storage/DataDirectory.h"
#include "storage/Paths.h"
#include "transfer/StoredMail.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fumibako::tool {

namespace {

const char* const kMailUsage = "usage: fumibako-tool mail read FILE [--attachments DIR]\n"
                               "       fumibako-tool mail headers FILE";

UsageError mailUsage()
{
    return UsageError{QString::fromLatin1(kMailUsage)};
}

QString attachmentFolder(const QStringList& args)
{
    if (args.size() == 4 && args.at(2) == QLatin1String("--attachments"))
        return storage::withTrailingSlash(QFileInfo(args.at(3)).absoluteFilePath());
    if (args.size() != 2)
        throw mailUsage();
    QString error;
    const QString workDir = storage::prepareWorkDir(&error);
    if (workDir.isEmpty()) {
        printError(error);
        return {};
    }
    return workDir;
}

int readCommand(const QStringList& args)
{
    const QString folder = attachmentFolder(args);
    if (folder.isEmpty())
        return 1;
    const QFileInfo file(args.at(1));
    transfer::CurrentMail mail;
    if (!transfer::ReadStoredMail(mail, transfer::StoredMailKind::Received, storage::withTrailingSlash(file.absolutePath()),
                                  file.fileName(), folder)) {
        printError(QStringLiteral("メールを読めません: ") + args.at(1));
        return 1;
    }
    QJsonObject object{{QStringLiteral("subject"), mail.subject}, {QStringLiteral("from"), mail.from},
                       {QStringLiteral("date"), mail.date},       {QStringLiteral("to"), mail.to},
                       {QStringLiteral("body"), mail.body}};
    object.insert(QStringLiteral("attachments"), QJsonArray::fromStringList(mail.attachments.mid(1)));
    printLine(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    return 0;
}

int headersCommand(const QStringList& args)
{
    if (args.size() != 2)
        throw mailUsage();
    const platform::mail::LibraryResult result = platform::mail::ReadMail(args.at(1), QString(), QString());
    if (!result.isList) {
        printError(QStringLiteral("メールを読めません: ") + args.at(1));
        return 1;
    }
    for (const QString& line : result.list)
        printLine(line);
    return 0;
}

} // namespace

int runMailCommand(const QStringList& args)
{
    if (args.size() < 2)
        throw mailUsage();
    if (args.first() == QLatin1String("read"))
        return readCommand(args);
    if (args.first() == QLatin1String("headers"))
        return headersCommand(args);
    throw mailUsage();
}

} // namespace fumibako::tool
