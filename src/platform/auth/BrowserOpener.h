#pragma once

#include <QUrl>

namespace fumibako::platform::auth {

/**
 * @short Where a sign-in sends the person at the screen: the system browser.
 *
 * The windows open the address with the desktop's browser, the tool prints it (and opens a
 * browser when there is a display), tests follow it with an HTTP client of their own.
 */
class BrowserOpener {
public:
    virtual ~BrowserOpener() = default;
    /** Shows @p url; false when no browser could be started (the address was shown to copy). */
    virtual bool openUrl(const QUrl& url) = 0;
};

/**
 * The browser a sign-in started from the core uses (asking to sign in again while receiving or
 * sending): set by the program at start-up, by tests in their set-up. nullptr (the default, also
 * in the tool's transfers): no sign-in is offered there, only said how to do it.
 */
BrowserOpener* systemBrowser();
void setSystemBrowser(BrowserOpener* browser);

} // namespace fumibako::platform::auth
