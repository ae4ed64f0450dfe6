// What a failed transfer tells the user: the phrase the error explanations look for, and the
// cause in Japanese, from libcurl's result, the server and the time limit.
#include "platform/mail/CurlFailure.h"

#include <QTemporaryDir>
#include <QTest>

#include <openssl/x509_vfy.h>

#include <cerrno>

#include "support/TestFiles.h"

using namespace fumibako::platform::mail::net;

namespace {

CurlFailure failure(CURLcode code, int osErrno = 0, bool connected = false)
{
    CurlFailure f;
    f.code = code;
    f.curlText = QStringLiteral("libcurl's words");
    f.host = QStringLiteral("mail.example.jp");
    f.port = 995;
    f.timeoutSeconds = 60;
    f.osErrno = osErrno;
    f.connected = connected;
    return f;
}

} // namespace

class TestCurlFailure : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void causeInJapanese_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("osErrno");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("text");
        QTest::newRow("name not found")
            << int(CURLE_COULDNT_RESOLVE_HOST) << 0 << false
            << "Cant connect Server (サーバー名「mail.example.jp」が見つかりませんでした。"
               "サーバー名とインターネットへの接続を確認してください)";
        QTest::newRow("port refuses")
            << int(CURLE_COULDNT_CONNECT) << ECONNREFUSED << false
            << "Cant connect Server (サーバー「mail.example.jp」のポート 995 は接続を拒否しました。"
               "ポート番号とサーバー名を確認してください)";
        QTest::newRow("no route")
            << int(CURLE_COULDNT_CONNECT) << EHOSTUNREACH << false
            << "Cant connect Server (サーバー「mail.example.jp」のポート 995 まで届きませんでした。"
               "インターネットへの接続を確認してください)";
        QTest::newRow("no answer while connecting")
            << int(CURLE_OPERATION_TIMEDOUT) << 0 << false
            << "Cant connect Server (サーバー「mail.example.jp」のポート 995 から 60 秒以内に応答がありませんでした)";
        QTest::newRow("silent after connecting")
            << int(CURLE_OPERATION_TIMEDOUT) << 0 << true
            << "Server timeout (サーバー「mail.example.jp」から 60 秒間応答がなかったため、中止しました)";
        QTest::newRow("TLS not agreed")
            << int(CURLE_SSL_CONNECT_ERROR) << 0 << true
            << "TLS error (サーバー「mail.example.jp」のポート 995 と暗号化 (TLS) の取り決めができませんでした。"
               "暗号化の方式とポート番号を確認してください)";
        QTest::newRow("connection cut") << int(CURLE_RECV_ERROR) << 0 << true
                                        << "POP3 failure (サーバー「mail.example.jp」との接続が途中で切れました)";
        QTest::newRow("no Japanese fits: libcurl's words")
            << int(CURLE_OUT_OF_MEMORY) << 0 << true << "POP3 failure (libcurl's words)";
    }
    void causeInJapanese()
    {
        QFETCH(int, code);
        QFETCH(int, osErrno);
        QFETCH(bool, connected);
        QFETCH(QString, text);
        QCOMPARE(describeFailure(failure(CURLcode(code), osErrno, connected)).text(), text);
    }

    void certificateNotTrusted_data()
    {
        QTest::addColumn<long>("result");
        QTest::addColumn<QString>("why");
        QTest::newRow("self-signed") << long(X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT) << "自己署名の証明書です";
        QTest::newRow("expired") << long(X509_V_ERR_CERT_HAS_EXPIRED) << "証明書の有効期限が切れています";
        QTest::newRow("chain verified, name differs")
            << long(X509_V_OK) << "証明書の名前がサーバー名「mail.example.jp」と一致しません";
    }
    void certificateNotTrusted()
    {
        QFETCH(long, result);
        QFETCH(QString, why);
        CurlFailure f = failure(CURLE_PEER_FAILED_VERIFICATION, 0, true);
        f.certificateResult = result;
        QCOMPARE(describeFailure(f).text(),
                 "TLS error (サーバー「mail.example.jp」の証明書を信頼できないため、接続を中止しました: " + why
                     + "（暗号化されない接続には切り替えていません）)");
    }

    void missingStoreIsNamed_data()
    {
        QTest::addColumn<bool>("storeExists");
        QTest::addColumn<int>("code");
        QTest::newRow("store installed, bad file") << true << int(CURLE_SSL_CACERT_BADFILE);
        QTest::newRow("store missing") << false << int(CURLE_SSL_CACERT_BADFILE);
        QTest::newRow("store missing, peer refused") << false << int(CURLE_PEER_FAILED_VERIFICATION);
    }
    void missingStoreIsNamed()
    {
        QFETCH(bool, storeExists);
        QFETCH(int, code);
        QTemporaryDir dir;
        CurlFailure f = failure(CURLcode(code), 0, true);
        f.certificateStore = dir.filePath(QStringLiteral("ca-certificates.crt"));
        if (storeExists)
            fumibako::test::writeBytes(f.certificateStore, "-----BEGIN CERTIFICATE-----\n");
        const QString cause = describeFailure(f).cause;
        QCOMPARE(cause.contains(QStringLiteral("ca-certificates パッケージをインストールしてください")), !storeExists);
        QVERIFY(cause.contains(f.certificateStore));
    }

    void storeLibcurlUsesIsInstalled()
    {
        // The package ca-certificates (scripts/install-deps) puts the store where libcurl looks.
        QVERIFY(!systemCertificateStore().isEmpty());
        QVERIFY(QFileInfo::exists(systemCertificateStore()));
    }
};

QTEST_GUILESS_MAIN(TestCurlFailure)
#include "test_curl_failure.moc"
