#include "settings/core/AccountSignIn.h"

#include "platform/UserPrompts.h"
#include "platform/auth/OAuthFlow.h"

namespace fumibako::settings {

namespace {

const QString kTitle = QStringLiteral("サインイン");

} // namespace

AccountSignIn::AccountSignIn(AccountManager& manager, platform::UserPrompts& prompts, QObject* parent)
    : QObject(parent), m_manager(manager), m_prompts(prompts)
{
}

AccountSignIn::~AccountSignIn() = default;

bool AccountSignIn::isRunning() const
{
    return m_signIn && m_signIn->isRunning();
}

bool AccountSignIn::start(const AccountForm& form, platform::auth::BrowserOpener& browser, int timeoutSeconds)
{
    if (isRunning())
        return false;
    const std::optional<platform::auth::OAuthProvider> provider = m_manager.provider(form.oauthProvider);
    const QString problem = provider ? platform::auth::providerProblem(*provider) : m_manager.signInNote(form.oauthProvider);
    if (form.oauthProvider.isEmpty() || !problem.isEmpty()) {
        m_prompts.message(form.oauthProvider.isEmpty() ? QStringLiteral("認証の方法でサインイン先を選んでください") : problem,
                          kTitle, platform::Icon::Exclamation, platform::Buttons::Ok);
        return false;
    }
    m_signIn = std::make_unique<platform::auth::OAuthSignIn>(*provider);
    m_signIn->setLoginHint(form.mailAddress.trimmed());
    connect(m_signIn.get(), &platform::auth::OAuthSignIn::finished, this, &AccountSignIn::signInEnded,
            Qt::QueuedConnection); // the flow's objects may still be on the stack when it ends
    m_signIn->start(browser, timeoutSeconds);
    return true;
}

void AccountSignIn::signInEnded(const platform::auth::OAuthResult& result)
{
    bool kept = false;
    if (!result.granted()) {
        m_prompts.message(platform::auth::describeOAuthFailure(result), kTitle, platform::Icon::Exclamation,
                          platform::Buttons::Ok);
    } else if (!m_manager.signedIn(result.tokens)) {
        m_prompts.message(QStringLiteral("サインインしましたが、その情報を保存できませんでした"), kTitle,
                          platform::Icon::Exclamation, platform::Buttons::Ok);
    } else {
        kept = true;
        const QString later = m_manager.mode() == AccountMode::New
                                  ? QStringLiteral("\r\nアカウントは「OK」で保存したときに作られます。")
                                  : QString();
        m_prompts.message(QStringLiteral("サインインしました。") + later, kTitle, platform::Icon::Information,
                          platform::Buttons::Ok);
    }
    Q_EMIT finished(kept);
}

} // namespace fumibako::settings
