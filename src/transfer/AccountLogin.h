#pragma once

#include "platform/auth/OAuthFlow.h"

#include <QString>

#include <functional>
#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::storage {
struct AccountProperties;
}

/**
 * The login of an account that signs in with OAuth 2.0: its access tokens, kept in memory only
 * and renewed with the refresh token of the secret store without asking anybody; a sign-in that
 * lapsed is said in Japanese, with the offer to sign in again.
 */
namespace fumibako::transfer {

enum class TokenStatus {
    Ok,
    NotSignedIn,   ///< no refresh token: the account never signed in (or its sign-in was removed)
    Lapsed,        ///< the provider refused the refresh token (revoked, expired): only a new sign-in helps
    Failed,        ///< the provider could not be asked (network), or is not usable (no client id)
};

struct AccessTokenAnswer {
    TokenStatus status = TokenStatus::Failed;
    QString token;
    QString detail; ///< what the provider or the network said, for the message
};

/**
 * An access token for the account of @p userFile, signed in with @p providerName (as written in
 * "OAuth2" "Provider"): the one kept in memory while it has more than a minute left, else a new
 * one from the refresh token (a refresh token the provider hands out anew replaces the stored
 * one). @p forceRefresh renews it in any case: the server refused the one kept. A renewal that
 * @p giveUp ends early is Failed.
 */
AccessTokenAnswer accessTokenFor(const QString& userFile, const QString& providerName, bool forceRefresh = false,
                                 const platform::auth::GiveUp& giveUp = {});

/**
 * Keeps what a sign-in obtained for the account of @p userFile: its refresh token in the secret
 * store, its access token in memory. False when the refresh token could not be stored.
 */
bool keepSignIn(const QString& userFile, const platform::auth::OAuthTokens& tokens);

/** Forgets the access token kept in memory for the account of @p userFile. */
void forgetAccessToken(const QString& userFile);

class TransferRunner;

/**
 * The access token a transfer of @p account (whose file is @p userFile) logs in with, handed to
 * @p done on this thread: at once when one is kept, else once accessTokenFor ran on @p runner's
 * worker (the secret store and the provider are waited for there, not here). When there is none,
 * says why in a message box: a lapsed sign-in is offered to be renewed at once
 * ("もう一度サインインしますか？", the browser of platform::auth::systemBrowser()), or, where
 * there is no browser to offer, told how; the sign-in waits for the browser without a loop of its
 * own. @p done gets nothing when no token could be had. The runner must be idle; a runner
 * destroyed first drops @p done uncalled.
 */
void tokenForTransfer(TransferRunner& runner, const QString& userFile, const storage::AccountProperties& account,
                      platform::UserPrompts& prompts, bool forceRefresh,
                      std::function<void(const std::optional<QString>& token)> done);

} // namespace fumibako::transfer
