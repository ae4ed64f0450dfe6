#include "app/tool/SignInCommand.h"

#include "app/tool/ToolIo.h"
#include "platform/auth/OAuthFlow.h"
#include "storage/AccountSecrets.h"
#include "storage/AccountSettings.h"
#include "storage/DataDirectory.h"
#include "storage/OAuthProviderFile.h"
#include "transfer/AccountLogin.h"

#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace fumibako::tool {

namespace {

constexpr int kWaitSeconds = 300;

} // namespace

bool ConsoleBrowser::openUrl(const QUrl& url)
{
    printLine(QStringLiteral("次のアドレスをブラウザーで開いて、サインインしてください（%1分以内）:").arg(kWaitSeconds / 60));
    printLine(url.toString(QUrl::FullyEncoded));
    std::fflush(stdout); // read at once by whoever opens it, while this waits
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

int runSignInCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("usage: fumibako-tool [--data-dir DIR] signin ACCOUNT")};
    const QString programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(dataDirOption));
    const storage::AccountPaths paths = storage::AccountPaths::make(programDir, args.first());
    if (!QFileInfo::exists(paths.userFile)) {
        printError(QStringLiteral("アカウントがありません: ") + args.first());
        return 1;
    }
    const storage::AccountProperties account = storage::readAccountProperties(paths.userFile);
    if (account.oauthProvider.isEmpty()) {
        printError(QStringLiteral("アカウント「%1」はパスワードでログインします。サインインするには、"
                                  "アカウント管理で認証の方法にサインイン先を選んでください")
                       .arg(args.first()));
        return 1;
    }
    const std::optional<platform::auth::OAuthProvider> provider =
        storage::findOAuthProvider(programDir, account.oauthProvider);
    if (!provider) {
        printError(QStringLiteral("サインイン先「%1」がありません（%2 を確認してください）")
                       .arg(account.oauthProvider, storage::kOAuthProviderFile));
        return 1;
    }
    if (const QString problem = platform::auth::providerProblem(*provider); !problem.isEmpty()) {
        printError(problem);
        return 1;
    }
    ConsoleBrowser browser;
    const platform::auth::OAuthResult result =
        platform::auth::signInAndWait(*provider, browser, account.mailAddress, kWaitSeconds);
    if (!result.granted()) {
        printError(platform::auth::describeOAuthFailure(result));
        return 1;
    }
    if (!transfer::keepSignIn(paths.userFile, result.tokens)) {
        printError(QStringLiteral("サインインしましたが、その情報を保存できませんでした"));
        return 1;
    }
    printLine(QStringLiteral("サインインしました。") + storage::secretPlaceText(storage::secretPlace(programDir)));
    return 0;
}

} // namespace fumibako::tool
