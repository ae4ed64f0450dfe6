#pragma once

#include "platform/auth/BrowserOpener.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QUrl>

namespace fumibako::test {

/**
 * @short A browser for sign-in tests: follows the address it is sent to with an HTTP client, as
 * a person would (the authorization server approves at once and redirects to the program's
 * listener on 127.0.0.1). Asynchronous: the sign-in, in this process or another, goes on meanwhile.
 */
class FollowingBrowser : public platform::auth::BrowserOpener {
public:
    /** What reaches the listener: the authorization server's redirect, or one with another state. */
    enum class Redirect { AsGiven, WrongState };

    bool openUrl(const QUrl& url) override;

    Redirect redirect = Redirect::AsGiven;
    QList<QUrl> opened;          ///< every address it was sent to
    QList<QUrl> redirectedTo;    ///< what it then asked the listener for

private:
    void follow(const QUrl& location);

    QNetworkAccessManager m_network;
};

} // namespace fumibako::test
