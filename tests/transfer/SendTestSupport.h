#pragma once

#include "MailServers.h"
#include "storage/AccountSettings.h"
#include "storage/AddressHistory.h"
#include "storage/FolderTree.h"
#include "storage/Paths.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/OutgoingMailFile.h"
#include "transfer/Sending.h"
#include "transfer/TransferRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace fumibako::test {

/** Records the sending notice's life. */
class RecordingNotice : public transfer::SendingNotice {
public:
    void show(const QString& text) override { events.append(QStringLiteral("show ") + text); }
    void close() override { events.append(QStringLiteral("close")); }
    QStringList events;
};

/** SendCurrentMail, waiting in a local event loop until it ended. */
inline transfer::SendOutcome sendAndWait(transfer::CurrentMail& mail, transfer::SendContext& context)
{
    transfer::Sender sender;
    transfer::SendOutcome result = transfer::SendOutcome::NotSent;
    transfer::waitUntilDone([&](std::function<void()> done) {
        sender.SendCurrentMail(mail, context, [&result, done](transfer::SendOutcome sent) {
            result = sent;
            done();
        });
    });
    return result;
}

/** Send selected, waiting in a local event loop until it ended. */
inline bool sendSelectedAndWait(transfer::OperationGuard& guard, transfer::CurrentMail& mail,
                                const transfer::SendContext& context, const QString& currentMailDir,
                                const QList<transfer::SelectedMail>& selectedInListOrder)
{
    transfer::Sender sender;
    bool ran = false;
    transfer::waitUntilDone([&](std::function<void()> done) {
        sender.sendSelected(guard, mail, context, currentMailDir, selectedInListOrder, [&ran, done](bool walked) {
            ran = walked;
            done();
        });
    });
    return ran;
}

/** One account in a fresh folder, sending to the fixture's SMTP server with AUTH. */
struct SendAccount {
    QTemporaryDir dir;
    storage::AccountPaths paths;
    storage::AccountProperties properties;
    storage::AddressHistories histories;
    RecordingPrompts prompts;
    RecordingNotice notice;
    transfer::SendContext context{properties, paths, histories, prompts, &notice};

    explicit SendAccount(quint16 smtpAuthPort)
    {
        paths = storage::AccountPaths::make(dir.path() + QLatin1Char('/'), QStringLiteral("taro"));
        QDir().mkpath(paths.outputDir);
        QDir().mkpath(paths.inputDir);
        QDir().mkpath(paths.draftDir);
        properties.loginName = QStringLiteral("taro");
        properties.password = QStringLiteral("secret");
        properties.mailAddress = QStringLiteral("taro@example.jp");
        properties.smtpServer = QStringLiteral("127.0.0.1");
        properties.smtpPortGiven = 1;
        properties.smtpPort = smtpAuthPort;
        // The fixture's AUTH port offers no STARTTLS: these tests are about sending, not security.
        properties.security.smtp.allowPlainLogin = true;
    }

    /** Writes an outgoing file into @p folder and, when @p section is given, its index entry. */
    void queue(const QString& folder, const QString& name, const QString& to, const QString& subject,
               const QString& section = storage::FixedFolder::Outbox, qint16 keepFlag = 0)
    {
        transfer::CurrentMail mail;
        mail.to = to;
        mail.subject = subject;
        mail.body = QStringLiteral("本文 ") + subject;
        mail.keepFlag = keepFlag;
        mail.mailPath = folder;
        mail.mailName = name;
        QVERIFY(transfer::WriteOutgoingFile(mail));
        if (!section.isEmpty())
            storage::IniWriteString(section, name, QStringLiteral("000\t") + to + QLatin1Char('\t') + subject +
                                                           QStringLiteral("\t2026/12/05 10:00:00"),
                                    paths.outgoingIndexFile);
    }

    QString entry(const QString& section, const QString& key) const
    {
        return storage::IniGetString(section, key, 1024, paths.outgoingIndexFile);
    }
};

/** The subjects of the mail the server accepted, in order (ASCII subjects only). */
inline QStringList receivedSubjects(const QList<ReceivedMail>& received)
{
    QStringList subjects;
    for (const ReceivedMail& mail : received) {
        const qsizetype at = mail.data.indexOf("\r\nSubject: ");
        const qsizetype end = mail.data.indexOf("\r\n", at + 2);
        subjects.append(QString::fromLatin1(mail.data.mid(at + 11, end - at - 11)));
    }
    return subjects;
}

} // namespace fumibako::test
