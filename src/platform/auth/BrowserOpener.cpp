#include "platform/auth/BrowserOpener.h"

namespace fumibako::platform::auth {

namespace {

BrowserOpener* g_systemBrowser = nullptr; // user-interface thread only

} // namespace

BrowserOpener* systemBrowser()
{
    return g_systemBrowser;
}

void setSystemBrowser(BrowserOpener* browser)
{
    g_systemBrowser = browser;
}

} // namespace fumibako::platform::auth
