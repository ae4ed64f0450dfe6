#include "platform/mail/ConnectionCheck.h"

#include "platform/mail/CurlFailure.h"
#include "platform/mail/CurlSupport.h"

#include <openssl/ssl.h>

namespace fumibako::platform::mail {

namespace {

// A check is a question the user waits for at the dialog: it gives up sooner than a transfer.
constexpr long kCheckTimeoutSeconds = 20;

// The TLS version is noted when the handshake completes: once libcurl's connect phase is over the
// handle no longer holds its connection, so it cannot be asked afterwards. libcurl makes an
// OpenSSL context per connection and hands it over before the handshake.
void onTlsInfo(const SSL* ssl, int where, int)
{
    if (!(where & SSL_CB_HANDSHAKE_DONE))
        return;
    if (auto* version = static_cast<QString*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl))))
        *version = QString::fromLatin1(SSL_get_version(ssl));
}

CURLcode onSslContext(CURL*, void* context, void* version)
{
    auto* sslContext = static_cast<SSL_CTX*>(context);
    SSL_CTX_set_app_data(sslContext, version);
    SSL_CTX_set_info_callback(sslContext, &onTlsInfo);
    return CURLE_OK;
}

int onTransferInfo(void* shouldStop, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto& callback = *static_cast<const ProgressCallback*>(shouldStop);
    return callback && callback(0, 0) != 0 ? 1 : 0;
}

// Connects, secures and logs in as the transfers would (libcurl's connect phase ends after the
// login), then reads what happened from the handle and the transcript.
ConnectionReport connectAndLogIn(const net::ServerAddress& address, const net::Credentials& login,
                                 const QByteArray& loginOptions, const ProgressCallback& shouldStop)
{
    ConnectionReport report;
    report.server = address.displayName();
    report.validServer = address.valid;
    net::CurlEasy curl;
    if (!address.valid || !curl)
        return report;
    net::Transcript transcript;
    CURL* handle = curl.get();
    net::configureConnection(handle, address, transcript);
    curl_easy_setopt(handle, CURLOPT_URL, (address.url() + "/").constData());
    curl_easy_setopt(handle, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, kCheckTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kCheckTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &onTransferInfo);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &shouldStop);
    curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, &onSslContext);
    curl_easy_setopt(handle, CURLOPT_SSL_CTX_DATA, &report.tlsVersion);
    if (!login.user.isEmpty()) {
        net::setLogin(handle, login);
        if (!loginOptions.isEmpty())
            curl_easy_setopt(handle, CURLOPT_LOGIN_OPTIONS, loginOptions.constData());
    }
    const CURLcode code = curl_easy_perform(handle);

    curl_off_t connectTime = 0;
    curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connectTime);
    // A handshake that failed, or a server that replied, was reached even when libcurl noted no time.
    report.connected = code == CURLE_OK
                       || (!net::isConnectFailure(code)
                           && (connectTime > 0 || net::isTlsFailure(code) || transcript.linesReceived() > 0));
    report.tlsRefused = transcript.tlsUpgradeRefused();
    report.clearLoginRefused = transcript.clearLoginRefused() || code == CURLE_USE_SSL_FAILED;
    report.loginTried = transcript.lastCommand() == "AUTH" || !transcript.errorReply().isEmpty();
    report.loginAccepted = code == CURLE_OK && report.loginTried;
    report.serverReply = !transcript.errorReply().isEmpty() ? transcript.errorReply()
                                                             : QString::fromUtf8(transcript.lastLine());
    const net::CurlFailure failure = net::readFailure(curl, code, address, kCheckTimeoutSeconds);
    if (code == CURLE_PEER_FAILED_VERIFICATION) {
        report.certificateProblem = net::certificateProblem(failure.certificateResult, address.host);
    } else {
        report.certificateTrusted = !report.tlsVersion.isEmpty();
    }
    report.bearerNotOffered = code == CURLE_LOGIN_DENIED && login.usesBearer()
                              && transcript.offers(login.bearerMechanism) == false;
    report.oauthBearerOffered = transcript.offers("OAUTHBEARER") == true;
    if (report.clearLoginRefused)
        report.failure = net::clearLoginRefusedText(address);
    else if (report.bearerNotOffered)
        report.failure = net::bearerNotOfferedText(address);
    else if (code != CURLE_OK)
        report.failure = net::describeFailure(failure).cause;
    return report;
}

// A sign-in whose XOAUTH2 the server lacks tries OAUTHBEARER, which some servers offer alone.
ConnectionReport checkWithBearer(const net::ServerAddress& address, net::Credentials login,
                                 const ProgressCallback& shouldStop)
{
    ConnectionReport report = connectAndLogIn(address, login, {}, shouldStop);
    if (report.bearerNotOffered && report.oauthBearerOffered) {
        login.bearerMechanism = "OAUTHBEARER";
        report = connectAndLogIn(address, login, {}, shouldStop);
    }
    return report;
}

QString loginLine(const ConnectionReport& report)
{
    if (report.bearerNotOffered)
        return QStringLiteral("できません（サーバーが XOAUTH2 にも OAUTHBEARER にも対応していません）");
    if (report.clearLoginRefused)
        return QStringLiteral("試していません（パスワードは送っていません）");
    if (!report.loginTried) {
        if (!report.connected || !report.failure.isEmpty())
            return QStringLiteral("試していません");
        return QStringLiteral("しませんでした（サーバーが認証を求めていないか、ユーザー名が空です）");
    }
    if (report.loginAccepted)
        return QStringLiteral("成功しました（%1）").arg(report.serverReply);
    return QStringLiteral("拒否されました（%1）").arg(report.serverReply.isEmpty() ? report.failure : report.serverReply);
}

QString encryptionLine(const ConnectionReport& report)
{
    if (!report.certificateProblem.isEmpty())
        return QStringLiteral("できませんでした — 証明書が信頼できません: %1").arg(report.certificateProblem);
    if (report.tlsRefused)
        return QStringLiteral("できませんでした — サーバーが暗号化を断りました（%1）").arg(report.serverReply);
    if (!report.tlsVersion.isEmpty())
        return QStringLiteral("%1（証明書は信頼できます）").arg(report.tlsVersion);
    if (report.clearLoginRefused)
        return QStringLiteral("なし（サーバーが暗号化に対応していません）");
    if (report.loginTried || report.failure.isEmpty())
        return QStringLiteral("なし（暗号化されていない接続です）");
    return QStringLiteral("できませんでした（%1）").arg(report.failure);
}

} // namespace

ConnectionReport checkPop3Connection(const QString& server, const QString& user, const QString& password, bool apop,
                                     const ServerSecurity& security, const ProgressCallback& shouldStop)
{
    const net::ServerAddress address = net::parseServer(server, net::Protocol::Pop3, security, apop);
    return connectAndLogIn(address, {user, password, QString()}, apop ? QByteArray("AUTH=+APOP") : QByteArray(), shouldStop);
}

ConnectionReport checkPop3BearerConnection(const QString& server, const QString& user, const QString& bearerToken,
                                           const ServerSecurity& security, const ProgressCallback& shouldStop)
{
    const net::Credentials login{user, QString(), bearerToken};
    const net::ServerAddress address =
        net::addressForLogin(net::parseServer(server, net::Protocol::Pop3, security), login);
    return checkWithBearer(address, login, shouldStop);
}

ConnectionReport checkSmtpConnection(const QString& server, const SmtpLogin& login, const ProgressCallback& shouldStop)
{
    const net::Credentials credentials{login.user, login.password, login.bearerToken};
    net::ServerAddress address = net::parseServer(server, net::Protocol::Smtp, login.security);
    if (login.user.isEmpty())
        address.refuseClearLogin = false; // no password goes out without a login
    else
        address = net::addressForLogin(address, credentials);
    if (credentials.usesBearer() && !login.user.isEmpty())
        return checkWithBearer(address, credentials, shouldStop);
    return connectAndLogIn(address, credentials, {}, shouldStop);
}

bool connectionSucceeded(const ConnectionReport& report)
{
    return report.validServer && report.connected && report.failure.isEmpty() && report.certificateProblem.isEmpty()
        && !report.tlsRefused && !report.clearLoginRefused && (!report.loginTried || report.loginAccepted);
}

QString describeConnectionReport(const QString& serverLabel, const ConnectionReport& report)
{
    QStringList lines{QStringLiteral("【%1】%2").arg(serverLabel, report.server)};
    if (!report.validServer) {
        lines << QStringLiteral("　サーバー名かポート番号が正しくありません");
        return lines.join(QStringLiteral("\r\n"));
    }
    if (!report.connected) {
        lines << QStringLiteral("　接続: できませんでした（%1）").arg(report.failure)
              << QStringLiteral("　サーバー名とポート番号を確認してください");
        return lines.join(QStringLiteral("\r\n"));
    }
    lines << QStringLiteral("　接続: できました") << QStringLiteral("　暗号化: ") + encryptionLine(report)
          << QStringLiteral("　ログイン: ") + loginLine(report);
    if (report.clearLoginRefused || report.bearerNotOffered)
        lines << report.failure.split(QStringLiteral("\r\n")).value(1);
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace fumibako::platform::mail
