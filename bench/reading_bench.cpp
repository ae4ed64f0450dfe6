// Speed of reading mail: the read window on a received 1 MB message with attachments, the reply's
// quoting of a 1 MB body, and the server mail list window filled from a local Dovecot holding 300
// messages (root only; ten in a smoke run). Makes its own data under the folder given as the first
// argument. Exits non-zero when a step did not do what it measures.
#include "BenchSupport.h"
#include "MailServers.h"
#include "SampleMail.h"

#include "compose/ComposeHost.h"
#include "compose/core/ComposeLauncher.h"
#include "mailview/ReadWindow.h"
#include "mailview/core/ReadMailController.h"
#include "mailview/core/ReadingDialogs.h"
#include "mainwin/ReceiveDialogs.h"
#include "platform/UserPrompts.h"
#include "serverlist/ServerListWindow.h"
#include "storage/AddressHistory.h"
#include "storage/DataDirectory.h"
#include "transfer/OperationGuard.h"
#include "transfer/ReceiveUi.h"
#include "transfer/Receiving.h"
#include "transfer/Sending.h"
#include "transfer/StoredMail.h"

#include <QApplication>
#include <QDir>
#include <QTreeView>

#include <unistd.h>

using namespace fumibako;

namespace {

using bench::SilentPrompts;

class NoDialogs : public mailview::ReadingDialogs {
public:
    std::optional<QString> askText(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> chooseFolder() override { return std::nullopt; }
    std::optional<QString> chooseSaveFile(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

// The receiver's prompts and progress shown by the main window's dialogs, as the program shows them.
class WindowReceiveUi : public transfer::ReceiveUi {
public:
    explicit WindowReceiveUi(QWidget* window) : m_dialogs(window, {}) {}

    std::optional<transfer::PasswordAnswer> askPassword() override { return m_dialogs.askPassword(); }
    void showProgress(const transfer::ProgressFigures& figures) override { m_dialogs.showProgress(figures); }
    void updateProgress(const transfer::ProgressFigures& figures) override { m_dialogs.updateProgress(figures); }
    void closeProgress() override { m_dialogs.closeProgress(); }
    void setClipboardText(const QString& text) override { m_dialogs.setClipboardText(text); }
    void playNewMailSound(const QString& file) override { m_dialogs.playNewMailSound(file); }
    void showUnreadFolder() override {}

private:
    mainwin::WindowReceivingDialogs m_dialogs;
};

class KeptFields : public compose::ComposeLauncher {
public:
    void OpenCompose(compose::ComposeMode, const QString&, const QString&, const QString&,
                     const compose::ComposeFields&) override
    {
    }
    void showWithFields(const compose::ComposeFields& fields) override { body = fields.body.value_or(QString()); }
    void addMailtoAddresses(const storage::MailtoAddresses&) override {}
    QString body;
};

// ISO-2022-JP lines of a business letter, repeated to @p bytes.
QByteArray letterLines(qsizetype bytes)
{
    const QByteArray lines[] = {"\x1b$B$*@$OC$K$J$C$F$*$j$^$9!#Mh=5$NBG$A9g$o$;$N7o$G$4O\"Mm$$$?$7$^$9!#\x1b(B\r\n",
                                "> quoted: see http://example.jp/docs/index.html for the agenda.\r\n",
                                "plain ascii line with some words & symbols <like this>\r\n"};
    QByteArray text;
    for (int i = 0; text.size() < bytes; ++i)
        text += lines[i % 3];
    return text;
}

// A received message of about 1 MB: 300 KB of text and three attachments of 170 KB each.
QByteArray messageWithAttachments()
{
    QList<test::SampleAttachment> attachments;
    for (int i = 1; i <= 3; ++i) {
        QByteArray bytes(170 * 1024, '\0');
        for (qsizetype k = 0; k < bytes.size(); ++k)
            bytes[k] = char((k * 7 + i) & 0xff);
        attachments.append({QStringLiteral("資料%1.pdf").arg(i), bytes});
    }
    return test::japaneseMail(attachments, letterLines(300 * 1024));
}

bool writeMessage(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        return true;
    std::fprintf(stderr, "reading_bench: cannot write %s\n", qPrintable(path));
    return false;
}

bool readWindowFigures(const storage::ProgramPaths& paths, const QString& inputDir)
{
    if (!writeMessage(inputDir + QStringLiteral("big.eml"), messageWithAttachments())
        || !writeMessage(inputDir + QStringLiteral("letter.eml"), test::japaneseMail({}, letterLines(1024 * 1024))))
        return false;

    SilentPrompts prompts;
    transfer::CurrentMail mail;
    storage::WindowGeometry geometry{6510, 7000, {}, {}};
    KeptFields compose;
    QWidget owner;
    owner.show();
    mailview::ReadWindow* window = mailview::ReadWindow::of(&owner, {prompts, mail, compose, paths, geometry});
    bench::printResult("read_open_1mb", bench::medianMs(7, [&] { window->close(); }, [&] {
                           window->openStored(inputDir, QStringLiteral("big.eml"));
                           QApplication::processEvents();
                       }), "ms");

    NoDialogs dialogs;
    mailview::ReadMailController quoting({prompts, dialogs, mail, compose, paths.programDir, paths.workDir});
    quoting.openStored(inputDir, QStringLiteral("letter.eml"));
    quoting.quoteBody = true;
    quoting.quoteSubject = true;
    bench::printResult("reply_quote_1mb", bench::medianMs(7, {}, [&] { quoting.reply(); }), "ms");
    const bool quoted = compose.body.size() >= 500000;
    if (!quoted)
        std::fprintf(stderr, "reading_bench: the reply did not quote the body (%lld)\n", qlonglong(compose.body.size()));

    // The reply as the user sees it: until the compose window shows the quoted body (mostly the
    // compose window's text box taking the text).
    storage::AccountProperties account;
    const storage::AccountPaths accountPaths = storage::AccountPaths::make(paths.programDir, QStringLiteral("reader"));
    storage::AddressHistories histories;
    const storage::AccountEnvironment environment;
    transfer::OperationGuard guard(prompts);
    const compose::ComposeServices services{accountPaths, environment, histories, prompts, guard,
                                            [&] { return transfer::SendContext{account, accountPaths, histories, prompts}; }};
    storage::WindowGeometry composeGeometry{6270, 7000, {}, {}};
    compose::ComposeHost host(services, {composeGeometry, paths.programDir, paths.registryFile, {}}, mail, &owner);
    mailview::ReadMailController read({prompts, dialogs, mail, host, paths.programDir, paths.workDir});
    read.openStored(inputDir, QStringLiteral("letter.eml"));
    read.quoteBody = true;
    read.quoteSubject = true;
    bench::printResult("reply_shown_1mb", bench::medianMs(7, [&] {
                           if (host.window())
                               host.window()->close();
                           QApplication::processEvents();
                       }, [&] {
                           read.reply();
                           QApplication::processEvents();
                       }), "ms");
    return quoted;
}

// Without root (Dovecot's master needs it) the figure is skipped; a server that does not start
// as root is a failure.
bool serverListFigure(const storage::ProgramPaths& paths)
{
    if (::geteuid() != 0) {
        std::fprintf(stderr, "reading_bench: server_list_300 skipped (needs root)\n");
        return true;
    }
    test::MailServers servers;
    QString error;
    if (!servers.start(test::MailServers::Pop3, &error)) {
        std::fprintf(stderr, "reading_bench: the mail server did not start (%s)\n", qPrintable(error));
        return false;
    }
    servers.useInThisProcess();
    const int count = bench::sized(300, 10);
    QList<QByteArray> messages;
    for (int n = 1; n <= count; ++n)
        messages.append(test::japaneseMail({}, "message " + QByteArray::number(n) + "\r\n"));
    servers.seedMailbox(QStringLiteral("taro"), messages);

    storage::prepareAccountDirs(paths.programDir, QStringLiteral("taro"));
    storage::AccountProperties properties;
    properties.loginName = QStringLiteral("taro");
    properties.password = QStringLiteral("secret");
    properties.pop3Server = QStringLiteral("127.0.0.1");
    properties.popPortGiven = 1;
    properties.popPort = servers.pop3Port();
    transfer::ReceiveAccount account;
    account.properties = &properties;
    account.paths = storage::AccountPaths::make(paths.programDir, QStringLiteral("taro"));
    account.workDir = paths.workDir;
    SilentPrompts prompts;
    transfer::OperationGuard guard(prompts);
    QWidget owner;
    owner.show();
    WindowReceiveUi ui(&owner);
    transfer::CurrentMail mail;
    transfer::Receiver receiver(guard, prompts, ui, mail);
    receiver.setAccount(account);
    const serverlist::ServerListContext context{receiver, guard, prompts, account.paths.userFile, {}};
    serverlist::ServerListWindow* window = nullptr;
    bench::printResult("server_list_300", bench::medianMs(5, [&] {
                           if (window)
                               window->close();
                           QApplication::processEvents();
                       }, [&] {
                           window = serverlist::ServerListWindow::open(&owner, context, {});
                           while (receiver.isRunning() || guard.CurrentOperation() != transfer::Operation::Idle)
                               QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
                           QApplication::processEvents();
                       }), "ms");
    const QTreeView* list = window ? window->findChild<QTreeView*>(QStringLiteral("lsvList0")) : nullptr;
    if (list && list->model()->rowCount() == count)
        return true;
    std::fprintf(stderr, "reading_bench: the list did not show the %d messages\n", count);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().size() < 2) {
        std::fprintf(stderr, "usage: reading_bench DATADIR\n");
        return 2;
    }
    const QString root = QDir(app.arguments().at(1)).absoluteFilePath(QStringLiteral("reading")) + QLatin1Char('/');
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("work"));
    const storage::ProgramPaths paths = storage::ProgramPaths::make(root, root + QStringLiteral("work/"));
    storage::prepareProgramDir(paths);
    storage::prepareAccountDirs(root, QStringLiteral("reader"));
    const bool read = readWindowFigures(paths, storage::AccountPaths::make(root, QStringLiteral("reader")).inputDir);
    const bool listed = serverListFigure(paths);
    QDir(root).removeRecursively();
    return read && listed ? 0 : 1;
}
