#include "platform/mail/CurlFailure.h"

#include <QFileInfo>

#include <openssl/x509_vfy.h>

#include <cerrno>

namespace fumibako::platform::mail::net {

namespace {

const QString kCantConnect = QStringLiteral("Cant connect Server");
const QString kTimeout = QStringLiteral("Server timeout");
const QString kTls = QStringLiteral("TLS error");

QString protocolFailure(Protocol protocol)
{
    return protocol == Protocol::Pop3 ? QStringLiteral("POP3 failure") : QStringLiteral("SMTP failure");
}

// "{host}", "{port}" and "{seconds}" of @p pattern filled in from @p failure.
QString fill(QString pattern, const CurlFailure& failure)
{
    return pattern.replace(QLatin1String("{host}"), failure.host)
        .replace(QLatin1String("{port}"), QString::number(failure.port))
        .replace(QLatin1String("{seconds}"), QString::number(failure.timeoutSeconds));
}

struct Cause {
    CURLcode code;
    const QString* phrase; ///< nullptr: the protocol's own failure phrase
    const char16_t* pattern;
};

// The results whose cause needs nothing but the server's name, port and time limit.
const Cause kCauses[] = {
    {CURLE_COULDNT_RESOLVE_HOST, &kCantConnect,
     u"サーバー名「{host}」が見つかりませんでした。サーバー名とインターネットへの接続を確認してください"},
    {CURLE_COULDNT_RESOLVE_PROXY, &kCantConnect, u"プロキシーサーバーの名前が見つかりませんでした"},
    {CURLE_SSL_CONNECT_ERROR, &kTls,
     u"サーバー「{host}」のポート {port} と暗号化 (TLS) の取り決めができませんでした。"
     u"暗号化の方式とポート番号を確認してください"},
    {CURLE_SSL_ISSUER_ERROR, &kTls, u"サーバー「{host}」の証明書の発行元を確認できなかったため、接続を中止しました"},
    {CURLE_SSL_PINNEDPUBKEYNOTMATCH, &kTls, u"サーバー「{host}」の公開鍵が登録されたものと違うため、接続を中止しました"},
    {CURLE_SSL_CERTPROBLEM, &kTls, u"このコンピューターの証明書を使えなかったため、接続を中止しました"},
    {CURLE_RECV_ERROR, nullptr, u"サーバー「{host}」との接続が途中で切れました"},
    {CURLE_SEND_ERROR, nullptr, u"サーバー「{host}」との接続が途中で切れました"},
    {CURLE_GOT_NOTHING, nullptr, u"サーバー「{host}」が何も答えずに接続を切りました"},
    {CURLE_WEIRD_SERVER_REPLY, nullptr, u"サーバー「{host}」の返事を読み取れませんでした"},
    {CURLE_ABORTED_BY_CALLBACK, nullptr, u"中止しました"},
};

QString refusedConnection(const CurlFailure& failure)
{
    switch (failure.osErrno) {
    case ECONNREFUSED:
        return fill(QStringLiteral("サーバー「{host}」のポート {port} は接続を拒否しました。"
                                   "ポート番号とサーバー名を確認してください"),
                    failure);
    case ENETUNREACH:
    case EHOSTUNREACH:
        return fill(QStringLiteral("サーバー「{host}」のポート {port} まで届きませんでした。"
                                   "インターネットへの接続を確認してください"),
                    failure);
    case ETIMEDOUT:
        return fill(QStringLiteral("サーバー「{host}」のポート {port} から応答がありませんでした"), failure);
    default:
        return fill(QStringLiteral("サーバー「{host}」のポート {port} に接続できませんでした"), failure);
    }
}

FailureText timedOut(const CurlFailure& failure)
{
    if (!failure.connected)
        return {kCantConnect, fill(QStringLiteral("サーバー「{host}」のポート {port} から {seconds} 秒以内に応答がありませんでした"),
                                   failure)};
    return {kTimeout, fill(QStringLiteral("サーバー「{host}」から {seconds} 秒間応答がなかったため、中止しました"), failure)};
}

// The store that is missing altogether (no package ca-certificates), else "".
QString missingStore(const CurlFailure& failure)
{
    if (failure.certificateStore.isEmpty() || QFileInfo::exists(failure.certificateStore))
        return {};
    return QStringLiteral("このコンピューターには信頼する証明書の一覧（%1）がないため、"
                          "サーバーの証明書を確認できず、接続を中止しました。"
                          "ca-certificates パッケージをインストールしてください")
        .arg(failure.certificateStore);
}

FailureText untrustedCertificate(const CurlFailure& failure)
{
    const QString missing = missingStore(failure);
    if (!missing.isEmpty())
        return {kTls, missing};
    if (failure.code == CURLE_SSL_CACERT_BADFILE)
        return {kTls, QStringLiteral("信頼する証明書の一覧（%1）を読めなかったため、接続を中止しました")
                          .arg(failure.certificateStore)};
    return {kTls, fill(QStringLiteral("サーバー「{host}」の証明書を信頼できないため、接続を中止しました: "), failure)
                      + certificateProblem(failure.certificateResult, failure.host)
                      + QStringLiteral("（暗号化されない接続には切り替えていません）")};
}

} // namespace

QString FailureText::text() const
{
    return phrase + QStringLiteral(" (") + cause + QLatin1Char(')');
}

FailureText describeFailure(const CurlFailure& failure)
{
    switch (failure.code) {
    case CURLE_COULDNT_CONNECT:
        return {kCantConnect, refusedConnection(failure)};
    case CURLE_OPERATION_TIMEDOUT:
        return timedOut(failure);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return untrustedCertificate(failure);
    default:
        break;
    }
    for (const Cause& cause : kCauses) {
        if (cause.code == failure.code)
            return {cause.phrase ? *cause.phrase : protocolFailure(failure.protocol),
                    fill(QString::fromUtf16(cause.pattern), failure)};
    }
    return {protocolFailure(failure.protocol), failure.curlText, false};
}

QString certificateProblem(long result, const QString& host)
{
    switch (result) {
    case X509_V_OK:
        // libcurl checks the name itself: a chain that verified fails only on the name.
        return QStringLiteral("証明書の名前がサーバー名「%1」と一致しません").arg(host);
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        return QStringLiteral("自己署名の証明書です");
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return QStringLiteral("証明書の発行元が信頼されていません");
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return QStringLiteral("証明書の有効期限が切れています");
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return QStringLiteral("証明書の有効期間がまだ始まっていません");
    case X509_V_ERR_CERT_REVOKED:
        return QStringLiteral("証明書は失効しています");
    default:
        // OpenSSL's reason has no Japanese text of its own.
        return QStringLiteral("証明書を確認できませんでした（%1）")
            .arg(QString::fromUtf8(X509_verify_cert_error_string(result)));
    }
}

QString systemCertificateStore()
{
#if LIBCURL_VERSION_NUM >= 0x075400 // CURLINFO_CAINFO came with 7.84.0
    static const QString store = [] {
        CurlEasy curl;
        char* path = nullptr;
        if (curl && curl_easy_getinfo(curl.get(), CURLINFO_CAINFO, &path) == CURLE_OK && path)
            return QString::fromLocal8Bit(path);
        return QString();
    }();
    return store;
#else
    return QStringLiteral("/etc/ssl/certs/ca-certificates.crt");
#endif
}

CurlFailure readFailure(const CurlEasy& curl, CURLcode code, const ServerAddress& address, long timeoutSeconds)
{
    CurlFailure failure;
    failure.code = code;
    failure.curlText = curl.errorText().isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : curl.errorText();
    failure.protocol = address.protocol;
    failure.host = address.host;
    failure.port = address.port;
    failure.timeoutSeconds = timeoutSeconds;
    curl_off_t connectTime = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_CONNECT_TIME_T, &connectTime);
    failure.connected = connectTime > 0;
    long osErrno = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_OS_ERRNO, &osErrno);
    failure.osErrno = int(osErrno);
    if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE) {
        long result = X509_V_OK;
        curl_easy_getinfo(curl.get(), CURLINFO_SSL_VERIFYRESULT, &result);
        failure.certificateResult = result;
        failure.certificateStore = systemCertificateStore();
    }
    return failure;
}

} // namespace fumibako::platform::mail::net
