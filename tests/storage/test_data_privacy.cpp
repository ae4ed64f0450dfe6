// The data directory is the user's alone: new folders 0700, every file written there 0600,
// whatever the umask; what exists keeps its mode.
#include "addressbook/AddressBook.h"
#include "compose/core/SignatureSettings.h"
#include "storage/AccountSettings.h"
#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/OutgoingMailFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace fumibako;
using namespace fumibako::storage;

namespace {

int modeOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

enum class Writer { AccountFile, Registry, MailIndex, Password, AddressBook, OutgoingMail, Signature };

} // namespace

Q_DECLARE_METATYPE(Writer)

class TestDataPrivacy : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;
    ProgramPaths m_paths;
    AccountPaths m_account;
    mode_t m_savedMask = 0;

private Q_SLOTS:
    void init()
    {
        m_savedMask = ::umask(022); // the usual umask, which alone would give 0755 and 0644
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        m_paths = ProgramPaths::make(m_root->filePath(QStringLiteral("share/fumibako")), m_root->path());
        prepareProgramDir(m_paths);
        prepareAccountDirs(m_paths.programDir, QStringLiteral("太郎"));
        m_account = AccountPaths::make(m_paths.programDir, QStringLiteral("太郎"));
    }
    void cleanup() { ::umask(m_savedMask); }

    void newFoldersAndStartPageArePrivate()
    {
        QCOMPARE(modeOf(m_root->filePath(QStringLiteral("share"))), 0755); // above the data: as usual
        for (const QString& dir : {m_paths.programDir, m_paths.programDir + QStringLiteral("MailBox"),
                                   m_account.userMailDir, m_account.inputDir, m_account.outputDir, m_account.draftDir})
            QVERIFY2(modeOf(dir) == 0700, qPrintable(QStringLiteral("%1: %2").arg(dir).arg(modeOf(dir), 0, 8)));
        QCOMPARE(modeOf(m_paths.programDir + QStringLiteral("FBTop.htm")), 0600);
        // Folders made later, such as that of the signatures, the same.
        QVERIFY(makePrivatePath(m_account.userMailDir + QStringLiteral("署名/")));
        QCOMPARE(modeOf(m_account.userMailDir + QStringLiteral("署名")), 0700);
        QDir(m_account.outputDir).removeRecursively();
        QVERIFY(makePrivatePath(m_account.outputDir));
        QCOMPARE(modeOf(m_account.outputDir), 0700);
    }

    void existingFoldersKeepTheirMode()
    {
        QTemporaryDir other;
        QVERIFY(::chmod(QFile::encodeName(other.path()).constData(), 0755) == 0);
        QVERIFY(::mkdir(QFile::encodeName(other.filePath(QStringLiteral("MailBox"))).constData(), 0750) == 0);
        prepareProgramDir(ProgramPaths::make(other.path() + QLatin1Char('/'), other.path()));
        prepareAccountDirs(other.path() + QLatin1Char('/'), QStringLiteral("a"));
        QCOMPARE(modeOf(other.path()), 0755);
        QCOMPARE(modeOf(other.filePath(QStringLiteral("MailBox"))), 0750);
        QCOMPARE(modeOf(other.filePath(QStringLiteral("MailBox/a/input"))), 0700);
    }

    void writtenFilesArePrivate_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::newRow("account settings") << Writer::AccountFile;
        QTest::newRow("account registry") << Writer::Registry;
        QTest::newRow("mail index") << Writer::MailIndex;
        QTest::newRow("stored password") << Writer::Password;
        QTest::newRow("address book") << Writer::AddressBook;
        QTest::newRow("outgoing mail") << Writer::OutgoingMail;
        QTest::newRow("signature") << Writer::Signature;
    }
    void writtenFilesArePrivate()
    {
        QFETCH(Writer, writer);
        const QString file = write(writer, 1);
        QVERIFY2(QFile::exists(file), qPrintable(file));
        QCOMPARE(modeOf(file), 0600);
        QCOMPARE(modeOf(QFileInfo(file).path()), 0700);
        // A file the user opened up on purpose stays as it is when rewritten.
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0640) == 0);
        clearProfileCache();
        write(writer, 2);
        QCOMPARE(modeOf(file), 0640);
    }

private:
    // Writes through one of the program's writers (content that differs by @p round); returns
    // the file written.
    QString write(Writer writer, int round)
    {
        const QString text = QString::number(round);
        const QString userFile = m_paths.programDir + QStringLiteral("太郎.ini");
        switch (writer) {
        case Writer::AccountFile:
            IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("MailJusin"), text, userFile);
            return userFile;
        case Writer::Registry:
            writeOrderedList(QStringLiteral("AName"), m_paths.registryFile, {QStringLiteral("太郎"), text});
            return m_paths.registryFile;
        case Writer::MailIndex:
            IniWriteString(QStringLiteral("標準BOX"), QStringLiteral("m.eml"), QStringLiteral("010\ta\tb\t") + text,
                           m_account.receivedIndexFile);
            return m_account.receivedIndexFile;
        case Writer::Password:
            storePassword(userFile, QStringLiteral("secret") + text);
            return userFile;
        case Writer::AddressBook:
            addressbook::SaveAddressBook(m_paths.programDir, {{QStringLiteral("Root"), text, QStringLiteral("a@x"), {}}});
            return addressbook::addressBookFile(m_paths.programDir);
        case Writer::Signature: {
            test::RecordingPrompts prompts;
            compose::SignatureSettings signatures(prompts);
            signatures.load(userFile, m_account.userMailDir);
            if (round == 1)
                signatures.create(QStringLiteral("仕事"), text);
            else
                signatures.edit(QStringLiteral("仕事"), text);
            return m_account.userMailDir + QStringLiteral("署名/仕事.txt");
        }
        case Writer::OutgoingMail: {
            transfer::CurrentMail mail;
            mail.to = QStringLiteral("a@example.jp");
            mail.body = QStringLiteral("本文") + text;
            mail.mailPath = m_account.draftDir;
            mail.mailName = QStringLiteral("20240101-101010.txt");
            transfer::WriteOutgoingFile(mail);
            return mail.mailPath + mail.mailName;
        }
        }
        return {};
    }
};

QTEST_GUILESS_MAIN(TestDataPrivacy)
#include "test_data_privacy.moc"
