#include "storage/OAuthProviderFile.h"

#include "storage/ProfileStore.h"

namespace fumibako::storage {

using platform::auth::OAuthProvider;

namespace {

constexpr int kValueBuffer = 4096;

// Overrides the values @p section of @p file gives.
void applySection(OAuthProvider& provider, const QString& file, const QString& section)
{
    const auto apply = [&](const char* key, const std::function<void(const QString&)>& set) {
        const QString value = IniGetString(section, QString::fromLatin1(key), kValueBuffer, file).trimmed();
        if (!value.isEmpty())
            set(value);
    };
    apply("AuthorizationUrl", [&](const QString& v) { provider.authorizationUrl = QUrl(v); });
    apply("TokenUrl", [&](const QString& v) { provider.tokenUrl = QUrl(v); });
    apply("Scope", [&](const QString& v) { provider.scope = v; });
    apply("ClientId", [&](const QString& v) { provider.clientId = v; });
    apply("ClientSecret", [&](const QString& v) { provider.clientSecret = v; });
}

} // namespace

QList<OAuthProvider> loadOAuthProviders(const QString& programDir)
{
    QList<OAuthProvider> providers = platform::auth::builtInProviders();
    const QString file = programDir + kOAuthProviderFile;
    QStringList sections;
    if (!IniGetSectionNames(file, sections))
        return providers;
    for (const QString& section : std::as_const(sections)) {
        const auto builtIn = std::find_if(providers.begin(), providers.end(),
                                          [&](const OAuthProvider& p) { return p.name == section; });
        if (builtIn != providers.end()) {
            applySection(*builtIn, file, section);
        } else if (!section.trimmed().isEmpty()) {
            OAuthProvider provider;
            provider.name = section;
            applySection(provider, file, section);
            providers.append(provider);
        }
    }
    return providers;
}

std::optional<OAuthProvider> findOAuthProvider(const QString& programDir, const QString& name)
{
    for (const OAuthProvider& provider : loadOAuthProviders(programDir)) {
        if (provider.name == name)
            return provider;
    }
    return std::nullopt;
}

} // namespace fumibako::storage
