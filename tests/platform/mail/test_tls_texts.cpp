// What a failed TLS connection tells the user, with and without the system's certificate store.
#include "platform/mail/CurlSupport.h"

#include <QTemporaryDir>
#include <QTest>

#include "support/TestFiles.h"

using namespace fumibako::platform::mail::net;

class TestTlsTexts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tlsErrorTextNamesAMissingStore_data()
    {
        QTest::addColumn<bool>("storeExists");
        QTest::addColumn<bool>("storeUnknown");
        QTest::addColumn<QString>("explanation");
        const QString refused = QStringLiteral("サーバーの証明書を確認できなかったため、接続を中止しました"
                                               "（暗号化されない接続には切り替えていません）");
        QTest::newRow("store installed") << true << false << refused;
        QTest::newRow("libcurl names no store") << false << true << refused;
        QTest::newRow("store missing") << false << false
                                       << QStringLiteral("このコンピューターには信頼する証明書の一覧（%1）がないため、"
                                                         "サーバーの証明書を確認できず、接続を中止しました。"
                                                         "ca-certificates パッケージをインストールしてください");
    }
    void tlsErrorTextNamesAMissingStore()
    {
        QFETCH(bool, storeExists);
        QFETCH(bool, storeUnknown);
        QFETCH(QString, explanation);
        QTemporaryDir dir;
        const QString store = storeUnknown ? QString() : dir.filePath(QStringLiteral("ca-certificates.crt"));
        if (storeExists)
            fumibako::test::writeBytes(store, "-----BEGIN CERTIFICATE-----\n");
        const QString curlText = QStringLiteral("error setting certificate file: ") + store;
        QCOMPARE(tlsErrorText(curlText, store),
                 QStringLiteral("TLS error: ") + curlText + QStringLiteral("\r\n") + explanation.arg(store));
    }

    void storeLibcurlUsesIsInstalled()
    {
        // The package ca-certificates (scripts/install-deps) puts the store where libcurl looks.
        QCOMPARE(tlsErrorText(QStringLiteral("x")), tlsErrorText(QStringLiteral("x"), QString()));
    }
};

QTEST_GUILESS_MAIN(TestTlsTexts)
#include "test_tls_texts.moc"
