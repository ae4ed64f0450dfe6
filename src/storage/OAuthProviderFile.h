#pragma once

#include "platform/auth/OAuthProvider.h"

#include <QList>
#include <QString>

#include <optional>

namespace fumibako::storage {

/** The file of a data directory that gives client ids and further providers. */
inline const QString kOAuthProviderFile = QStringLiteral("OAuth2.ini");

/**
 * The providers accounts of @p programDir may sign in with: the built-in ones, with the values
 * OAuth2.ini gives in a section of their name, then the file's other sections in its order. Keys:
 * AuthorizationUrl, TokenUrl, Scope, ClientId, ClientSecret; a key left out keeps the built-in value.
 */
QList<platform::auth::OAuthProvider> loadOAuthProviders(const QString& programDir);

/** The provider named @p name (case as written); nothing when there is none of that name. */
std::optional<platform::auth::OAuthProvider> findOAuthProvider(const QString& programDir, const QString& name);

} // namespace fumibako::storage
