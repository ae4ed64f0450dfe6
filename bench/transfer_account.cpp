// Makes a data folder for the transfer benchmark: account "taro" on the local POP3 and SMTP
// servers, its password stored, and optionally an outbox of queued messages.
//
//   transfer_account DATA_DIR POP3_PORT SMTP_PORT [OUTBOX_COUNT]

#include "storage/AccountSettings.h"
#include "storage/FolderTree.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/StoredMail.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

using namespace fumibako;

namespace {

void writeAccount(const storage::AccountPaths& paths, int pop3Port, int smtpPort)
{
    const QString property = QStringLiteral("Property");
    const auto set = [&](const char* key, const QString& value) {
        storage::IniWriteString(property, QLatin1String(key), value, paths.userFile);
    };
    set("AccName", QStringLiteral("taro"));
    set("Name", QStringLiteral("太郎"));
    set("MailAddress", QStringLiteral("taro@example.jp"));
    set("POP3Server", QStringLiteral("127.0.0.1"));
    set("POPport", QStringLiteral("1"));
    set("PportNum", QString::number(pop3Port));
    set("SMTPServer", QStringLiteral("127.0.0.1"));
    set("SMTPport", QStringLiteral("1"));
    set("SportNum", QString::number(smtpPort));
    storage::IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("MailJusin"), QStringLiteral("1"), paths.userFile);
    // The SMTP server of the benchmark takes AUTH without TLS, as the smtplib loop does.
    storage::AccountSecurity security;
    security.smtp.allowPlainLogin = true;
    storage::writeAccountSecurity(paths.userFile, security);
    storage::storePassword(paths.userFile, QStringLiteral("secret"));
}

// About 8 KB of Japanese text once encoded.
QString bodyText(int i)
{
    QString body;
    for (int line = 0; body.size() < 2600; ++line)
        body += QStringLiteral("送信ベンチマーク %1 の本文、%2 行目です。明日の会議は十時からです。\n").arg(i).arg(line);
    return body;
}

bool queueOutbox(const storage::AccountPaths& paths, int count)
{
    QDir().mkpath(paths.outputDir);
    for (int i = 0; i < count; ++i) {
        transfer::CurrentMail mail;
        mail.to = QStringLiteral("sato%1@example.com").arg(i % 7);
        mail.subject = QStringLiteral("送信テスト %1").arg(i);
        mail.body = bodyText(i);
        mail.mailPath = paths.outputDir;
        mail.mailName = QStringLiteral("20261205-%1.txt").arg(i, 6, 10, QLatin1Char('0'));
        if (!transfer::WriteOutgoingFile(mail))
            return false;
        storage::IniWriteString(storage::FixedFolder::Outbox, mail.mailName,
                                QStringLiteral("000\t") + mail.to + QLatin1Char('\t') + mail.subject +
                                    QStringLiteral("\t2026/12/05 10:00:00"),
                                paths.outgoingIndexFile);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: transfer_account DATA_DIR POP3_PORT SMTP_PORT [OUTBOX_COUNT]\n");
        return 2;
    }
    const QString dataDir = QDir(args.at(1)).absolutePath() + QLatin1Char('/');
    const storage::AccountPaths paths = storage::AccountPaths::make(dataDir, QStringLiteral("taro"));
    QDir().mkpath(dataDir);
    QDir().mkpath(paths.inputDir);
    writeAccount(paths, args.at(2).toInt(), args.at(3).toInt());
    const int outbox = args.size() > 4 ? args.at(4).toInt() : 0;
    storage::ProfileWriteBatch batch;
    const bool queued = outbox == 0 || queueOutbox(paths, outbox);
    return queued && batch.commit() ? 0 : 1;
}
