// The compose window: how fast it opens (new mail with a signature), and sending a message with a
// large attachment to a local SMTP server (time, and memory above the idle program).
//
//   compose_bench open DATA_DIR
//   compose_bench send DATA_DIR SMTP_PORT ATTACHMENT
//
// Runs on whatever platform Qt is given (the benchmark runner uses offscreen). Prints RESULT lines.
#include "BenchSupport.h"

#include "compose/core/ComposeLauncher.h"
#include "compose/core/Signatures.h"
#include "mainwin/MainWindow.h"
#include "platform/UserPrompts.h"
#include "storage/AccountSettings.h"
#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

using namespace fumibako;

namespace {

class SilentPrompts : public platform::UserPrompts {
public:
    int shown = 0;
    std::function<void()> onMessage; ///< called after each message shown
    platform::Answer message(const QString& text, const QString&, platform::Icon, platform::Buttons) override
    {
        ++shown;
        std::fprintf(stderr, "compose_bench: message: %s\n", qPrintable(text));
        if (onMessage)
            onMessage();
        return platform::Answer::Ok;
    }
    void setStatus(int, const QString&) override {}
};

storage::ProgramPaths makeData(const QString& root, int smtpPort)
{
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("work"));
    const storage::ProgramPaths paths = storage::ProgramPaths::make(root, root + QStringLiteral("work/"));
    storage::prepareProgramDir(paths);
    storage::IniWriteSection(QStringLiteral("AName"), paths.registryFile, {QStringLiteral("Count=1"), QStringLiteral("0=taro")});
    const QString userFile = root + QStringLiteral("taro.ini");
    storage::IniWriteSection(QStringLiteral("Property"), userFile,
                             {QStringLiteral("AccName=taro"), QStringLiteral("MailAddress=taro@example.jp"),
                              QStringLiteral("SMTPServer=127.0.0.1"), QStringLiteral("SMTPport=1"),
                              QStringLiteral("SportNum=%1").arg(smtpPort), QStringLiteral("Name=太郎")});
    storage::IniWriteSection(QStringLiteral("Security"), userFile, {QStringLiteral("SMTPPlainLogin=1")});
    storage::IniWriteSection(QStringLiteral("Kankyou"), userFile, {QStringLiteral("Syomei=1"), QStringLiteral("MailHozon=0")});
    storage::storePassword(userFile, QStringLiteral("secret"));
    storage::prepareAccountDirs(root, QStringLiteral("taro"));
    const storage::AccountPaths account = storage::AccountPaths::make(root, QStringLiteral("taro"));
    storage::writeOrderedList(compose::kSignatureSection, userFile, {QStringLiteral("仕事")});
    QDir().mkpath(compose::signatureFolder(account.userMailDir));
    compose::writeSignatureFile(*compose::signatureFilePath(account.userMailDir, QStringLiteral("仕事")),
                                QStringLiteral("--\n山田 太郎\n株式会社フミバコ 営業部\nTEL 03-0000-0000"));
    storage::clearProfileCache();
    return paths;
}

std::unique_ptr<mainwin::MainWindow> openMainWindow(const storage::ProgramPaths& paths, SilentPrompts& prompts)
{
    auto window = std::make_unique<mainwin::MainWindow>(paths, &prompts);
    if (!window->loadSequence())
        return nullptr;
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    window->afterShown(QString());
    return window;
}

QMainWindow* composeWindow(QWidget* owner)
{
    for (QMainWindow* window : owner->findChildren<QMainWindow*>(QStringLiteral("frmSend"))) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

// From the command to the window on the screen, signature appended; then closed again.
double openOnce(mainwin::MainWindow& main)
{
    QElapsedTimer timer;
    timer.start();
    main.composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString());
    QMainWindow* window = composeWindow(&main);
    if (!window || !QTest::qWaitForWindowExposed(window))
        return -1;
    const double ms = timer.nsecsElapsed() / 1e6;
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ms;
}

int benchOpen(const QString& root)
{
    SilentPrompts prompts;
    std::unique_ptr<mainwin::MainWindow> main = openMainWindow(makeData(root, 25), prompts);
    if (!main)
        return 1;
    const double first = openOnce(*main);
    std::vector<double> times;
    for (int i = 0; i < bench::sized(15, 1); ++i)
        times.push_back(openOnce(*main));
    std::sort(times.begin(), times.end());
    if (first < 0 || times.front() < 0 || prompts.shown > 0)
        return 1;
    bench::printResult("compose_open", times[times.size() / 2], "ms");
    bench::printResult("compose_open_first", first, "ms");
    return 0;
}

// Runs the event loop until the send of @p window has ended: sent, the window closes and is
// deleted; failed, a message is shown and the window stays. False when neither happened in time.
bool waitForSendEnd(QMainWindow* window, SilentPrompts& prompts, int timeoutMs)
{
    QPointer<QMainWindow> watched(window);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    prompts.onMessage = [&loop] { loop.quit(); };
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (watched && prompts.shown == 0)
        loop.exec();
    prompts.onMessage = nullptr;
    return !watched || prompts.shown > 0;
}

int benchSend(const QString& root, int port, const QString& attachment)
{
    SilentPrompts prompts;
    std::unique_ptr<mainwin::MainWindow> main = openMainWindow(makeData(root, port), prompts);
    if (!main)
        return 1;
    main->composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString());
    QMainWindow* window = composeWindow(main.get());
    window->findChild<QComboBox*>(QStringLiteral("cmbTo"))->setEditText(QStringLiteral("sato@example.com"));
    window->findChild<QLineEdit*>(QStringLiteral("txtSub"))->setText(QStringLiteral("大きな添付ファイル"));
    window->findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(attachment);
    QTest::qWait(200); // the window at rest
    const double idle = bench::residentMegabytes();
    const bool peakReset = bench::resetPeakMemory(); // the peak from here on
    QElapsedTimer timer;
    timer.start();
    // Sending runs on a worker thread: the click returns at once, and the window closes once the
    // server has taken the message.
    window->findChild<QPushButton*>(QStringLiteral("cmdSend"))->click();
    const bool ended = waitForSendEnd(window, prompts, 300000);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!ended || composeWindow(main.get()) || prompts.shown > 0) {
        std::fprintf(stderr, "compose_bench: the message was not sent%s\n", ended ? "" : " within 300 s");
        return 1;
    }
    bench::printResult("send_compose_10mb_s", seconds, "s");
    if (peakReset)
        bench::printResult("rss_send_10mb", bench::peakResidentMegabytes() - idle, "MB");
    bench::printResult("rss_compose_idle", idle, "MB");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("open"))
        return benchOpen(QDir(args.at(2)).absolutePath() + QLatin1Char('/'));
    if (args.size() >= 5 && args.at(1) == QLatin1String("send"))
        return benchSend(QDir(args.at(2)).absolutePath() + QLatin1Char('/'), args.at(3).toInt(), args.at(4));
    std::fputs("usage: compose_bench open DATA_DIR | send DATA_DIR SMTP_PORT ATTACHMENT\n", stderr);
    return 2;
}
