#pragma once

#include "platform/auth/BrowserOpener.h"

#include <QStringList>

namespace fumibako::tool {

/**
 * The browser on a terminal: the address is printed on stdout, on a line of its own, and handed
 * to xdg-open when there is a display.
 */
class ConsoleBrowser : public platform::auth::BrowserOpener {
public:
    bool openUrl(const QUrl& url) override;
};

/**
 * `fumibako-tool [--data-dir DIR] signin ACCOUNT`: signs the account in with the provider of its
 * "OAuth2" section: prints the address to open, waits for the browser to come back (5 minutes at
 * most) and stores the sign-in. Exit code 1, with the reason on stderr, when it did not work.
 */
int runSignInCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
