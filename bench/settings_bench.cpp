// Speed of the settings dialogs: the account manager and the environment settings opened with 20
// accounts, and the font chooser filled from this machine's fonts. Makes its data under the
// folder given as the first argument.
#include "BenchSupport.h"

#include "platform/UserPrompts.h"
#include "settings/AccountManagerDialog.h"
#include "settings/EnvironmentDialog.h"
#include "settings/FontChooserDialog.h"
#include "settings/core/AccountManager.h"
#include "settings/core/AccountNames.h"
#include "storage/AccountSession.h"
#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMainWindow>

using namespace fumibako;

namespace {

constexpr int kAccounts = 20;

class SilentPrompts : public platform::UserPrompts {
public:
    platform::Answer message(const QString&, const QString&, platform::Icon, platform::Buttons) override
    {
        return platform::Answer::Ok;
    }
    void setStatus(int, const QString&) override {}
};

class NoHost : public storage::AccountSwitchHost {
public:
    void folderTreeReloaded(bool) override {}
    void setReceiveMethod(int) override {}
    void setAutoReceiveArmed(bool) override {}
    void showUnreadFolder() override {}
    void setGridLines(bool) override {}
};

storage::ProgramPaths makeAccounts(const QString& root)
{
    const auto paths = storage::ProgramPaths::make(root + QStringLiteral("data/"), root + QStringLiteral("work/"));
    QDir().mkpath(paths.workDir);
    storage::prepareProgramDir(paths);
    QStringList names;
    for (int i = 0; i < kAccounts; ++i) {
        settings::AccountForm form;
        form.loginName = QStringLiteral("user%1").arg(i);
        form.mailAddress = form.loginName + QStringLiteral("@example.jp");
        form.pop3Server = QStringLiteral("pop.example.jp");
        form.smtpServer = QStringLiteral("smtp.example.jp");
        form.senderName = QStringLiteral("利用者%1").arg(i);
        form.password = QStringLiteral("password%1").arg(i);
        names.append(QStringLiteral("アカウント%1").arg(i));
        const QString file = paths.programDir + names.last() + QStringLiteral(".ini");
        storage::IniWriteSection(QStringLiteral("Property"), file, settings::propertyLines(form));
        storage::IniWriteSection(QStringLiteral("Kankyou"), file, settings::newAccountEnvironmentLines());
    }
    settings::writeAccountRegistry(paths.registryFile, names);
    return paths;
}

// From construction to the dialog shown with its first events handled.
template<typename MakeDialog>
double openMs(const MakeDialog& make)
{
    return bench::medianMs(
        7, {}, [&make] {
            auto dialog = make();
            dialog->show();
            QApplication::processEvents();
        });
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: settings_bench DATA_DIR\n", stderr);
        return 2;
    }
    const QString root = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QStringLiteral("/settings/");
    QDir(root).removeRecursively();
    const storage::ProgramPaths paths = makeAccounts(root);
    QMainWindow window; // the dialogs' owner, as in the program
    window.show();
    QApplication::processEvents();

    // The font chooser first: the first listing also pays for reading the font database.
    QElapsedTimer timer;
    timer.start();
    settings::FontChooserDialog fonts(paths.registryFile, &window);
    fonts.reload(QStringLiteral("Noto Sans CJK JP"), QStringLiteral("3"));
    fonts.show();
    QApplication::processEvents();
    bench::printResult("font_list", timer.nsecsElapsed() / 1e6, "ms");
    // The fixed-pitch filter measures every Japanese font the first time it is switched on.
    timer.restart();
    fonts.findChild<QCheckBox*>(QStringLiteral("chkTT"))->click();
    QApplication::processEvents();
    bench::printResult("font_list_fixed_pitch", timer.nsecsElapsed() / 1e6, "ms");
    fonts.close();

    SilentPrompts prompts;
    const double accounts = openMs([&] {
        return std::make_unique<settings::AccountManagerDialog>(paths.programDir, QStringLiteral("アカウント7"),
                                                                &prompts, &window);
    });
    storage::AccountSession session(paths, prompts, {});
    NoHost host;
    session.OpenAccount(QStringLiteral("アカウント7"), host);
    const double environment = openMs([&] {
        return std::make_unique<settings::EnvironmentDialog>(session, host, false, &prompts, &window);
    });
    bench::printResult("settings_open_account_manager", accounts, "ms");
    bench::printResult("settings_open_environment", environment, "ms");
    bench::printResult("settings_open", std::max(accounts, environment), "ms");
    QDir(root).removeRecursively();
    return 0;
}
