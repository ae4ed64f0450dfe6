// fumibako: the mail program. One instance per user; a second start hands its command line over.
#include "mainwin/MainWindow.h"
#include "mainwin/QtTranslations.h"
#include "platform/SingleInstance.h"
#include "platform/UserPrompts.h"
#include "platform/auth/BrowserOpener.h"
#include "settings/DesktopBrowser.h"
#include "storage/DataDirectory.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

using namespace fumibako;

namespace {

struct Options {
    QString dataDir;
    QString commandLine; ///< everything else, joined with single spaces (the "mailto:" line)
    bool ok = true;
};

Options parseOptions(QStringList args)
{
    Options options;
    args.removeFirst();
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--data-dir")) {
            if (i + 1 >= args.size()) {
                options.ok = false;
                break;
            }
            options.dataDir = args.at(++i);
        } else {
            rest.append(args.at(i));
        }
    }
    options.commandLine = rest.join(QLatin1Char(' '));
    return options;
}

void showStartError(const QString& text)
{
    QMessageBox::critical(nullptr, platform::kProgramTitle, text);
}

int runWindow(const storage::ProgramPaths& paths, platform::SingleInstance& instance, const QString& commandLine)
{
    // A sign-in that lapsed while receiving or sending is renewed in the desktop's browser.
    settings::DesktopBrowser browser;
    platform::auth::setSystemBrowser(&browser);
    mainwin::MainWindow window(paths);
    QObject::connect(&instance, &platform::SingleInstance::messageReceived, &window,
                     &mainwin::MainWindow::activateFromAnotherStart);
    if (!window.loadSequence())
        return 0;
    window.show();
    window.afterShown(commandLine);
    if (qEnvironmentVariableIsSet("FUMIBAKO_REPORT_SHOWN")) {
        // For start-up timing: one line once the shown window's first events are through.
        QTimer::singleShot(0, &window, [] {
            std::fputs("fumibako: shown\n", stdout);
            std::fflush(stdout);
        });
    }
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Qt's sign-in module warns in English of what the program says itself, in Japanese.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.networkauth*.warning=false"));
    QApplication::setApplicationName(QStringLiteral("fumibako"));
    QApplication::setApplicationVersion(QStringLiteral(FUMIBAKO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.fumibako.Fumibako"));
    if (!mainwin::installJapaneseQtTexts(app))
        std::fputs("fumibako: Qt's Japanese translations (qt6-translations-l10n) are missing\n", stderr);

    const Options options = parseOptions(QApplication::arguments());
    if (!options.ok) {
        std::fputs("usage: fumibako [--data-dir DIR] [mailto:ADDRESS ...]\n", stderr);
        return 2;
    }
    platform::SingleInstance instance;
    if (!instance.claim(options.commandLine))
        return 0;

    QString error;
    const QString workDir = storage::prepareWorkDir(&error);
    if (workDir.isEmpty()) {
        showStartError(error);
        return 1;
    }
    const QString programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(options.dataDir));
    const storage::ProgramPaths paths = storage::ProgramPaths::make(programDir, workDir);
    storage::prepareProgramDir(paths);
    return runWindow(paths, instance, options.commandLine);
}
