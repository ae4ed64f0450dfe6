#pragma once

#include "platform/auth/BrowserOpener.h"

namespace fumibako::settings {

/** The desktop's browser (QDesktopServices): where the windows send a sign-in. */
class DesktopBrowser : public platform::auth::BrowserOpener {
public:
    bool openUrl(const QUrl& url) override;
};

} // namespace fumibako::settings
