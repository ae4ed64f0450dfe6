#pragma once

#include "MailServers.h"
#include "ScriptedReceiveUi.h"
#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "transfer/OperationGuard.h"
#include "transfer/Receiving.h"
#include "transfer/StoredMail.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace fumibako::test {

/** One account "taro" in a fresh data directory, receiving from the fixture's Dovecot. */
struct ReceiveFixture {
    explicit ReceiveFixture(quint16 port, const QString& password = QStringLiteral("secret"))
    {
        account.paths = storage::AccountPaths::make(dataDir.path() + QLatin1Char('/'), QStringLiteral("taro"));
        storage::prepareAccountDirs(dataDir.path() + QLatin1Char('/'), QStringLiteral("taro"));
        QDir().mkpath(workDir.path());
        account.workDir = workDir.path() + QLatin1Char('/');
        properties.loginName = QStringLiteral("taro");
        properties.pop3Server = QStringLiteral("127.0.0.1");
        properties.popPortGiven = 1;
        properties.popPort = port;
        properties.password = password;
        account.properties = &properties;
        receiver.setAccount(account);
    }

    /** Keys of the inbox section with their flags, in file order. */
    QStringList filedEntries() const
    {
        QStringList lines;
        storage::IniGetSection(transfer::kStandardBox, account.paths.receivedIndexFile, lines);
        return lines;
    }
    QStringList inputFiles() const { return QDir(account.paths.inputDir).entryList(QDir::Files); }
    QByteArray inputFile(const QString& name) const
    {
        QFile file(account.paths.inputDir + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void setAccount() { receiver.setAccount(account); }

    QTemporaryDir dataDir;
    QTemporaryDir workDir;
    storage::AccountProperties properties;
    transfer::ReceiveAccount account;
    RecordingPrompts prompts;
    transfer::OperationGuard guard{prompts};
    ScriptedReceiveUi ui;
    transfer::CurrentMail mail;
    transfer::Receiver receiver{guard, prompts, ui, mail};
};

} // namespace fumibako::test
