#include "support/FollowingBrowser.h"

#include <QNetworkReply>
#include <QUrlQuery>

namespace fumibako::test {

bool FollowingBrowser::openUrl(const QUrl& url)
{
    opened.append(url);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = m_network.get(request);
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] {
        reply->deleteLater();
        const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (location.isValid())
            follow(reply->url().resolved(location));
    });
    return true;
}

void FollowingBrowser::follow(const QUrl& location)
{
    QUrl target = location;
    if (redirect == Redirect::WrongState) {
        QUrlQuery query(target);
        query.removeAllQueryItems(QStringLiteral("state"));
        query.addQueryItem(QStringLiteral("state"), QStringLiteral("forged"));
        target.setQuery(query);
    }
    redirectedTo.append(target);
    QNetworkReply* reply = m_network.get(QNetworkRequest(target));
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

} // namespace fumibako::test
