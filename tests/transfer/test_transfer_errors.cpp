#include "support/RecordingPrompts.h"
#include "transfer/TransferErrors.h"

#include <QTest>

using namespace fumibako::transfer;
using fumibako::test::RecordingPrompts;

class TestTransferErrors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void libraryErrorExplanations_data()
    {
        QTest::addColumn<QString>("libraryText");
        QTest::addColumn<QString>("shown");
        QTest::newRow("connect") << QStringLiteral("Cant connect Server (x)")
                                 << QStringLiteral("Cant connect Server (x)\r\nメールサーバーにつながりませんでした\r\n"
                                                   "サーバー名が間違っているか、インターネットに接続されていない可能性があります");
        QTest::newRow("login wins over Sender") << QStringLiteral("POP3 error -ERR Sender bad")
                                                << QStringLiteral("POP3 error -ERR Sender bad\r\nログインできませんでした。\r\n"
                                                                  "パスワード等が間違ってる可能性があります");
        QTest::newRow("domain") << QStringLiteral("521 Mail not accepted from this domain from x")
                                << QStringLiteral("521 Mail not accepted from this domain from x\r\n"
                                                  "送信者のメールアドレスが間違っている可能性があります\r\n"
                                                  "アカウントでメールアドレスを確認してください");
        QTest::newRow("pop before smtp") << QStringLiteral("521 closing channel: POP authentication first")
                                         << QStringLiteral("521 closing channel: POP authentication first\r\n"
                                                           "メールサーバーとの認証が済んでいません\r\n一度、受信操作を行ってください");
        QTest::newRow("sender") << QStringLiteral("553 Sender rejected")
                                << QStringLiteral("553 Sender rejected\r\nアカウントに間違いがある可能性があります");
        QTest::newRow("nothing matches") << QStringLiteral("550 no such user") << QStringLiteral("550 no such user");
    }
    void libraryErrorExplanations()
    {
        QFETCH(QString, libraryText);
        QFETCH(QString, shown);
        RecordingPrompts prompts;
        ShowLibraryError(prompts, libraryText);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.first().text, shown);
        QVERIFY(prompts.messages.first().title.isEmpty());
    }

    void unexpectedErrorTexts()
    {
        RecordingPrompts prompts;
        ShowUnexpectedError(prompts, 13, QStringLiteral("型が一致しません。"), QStringLiteral("処理を中止します"));
        ShowUnexpectedError(prompts, 5, QString(), QStringLiteral("処理を中止します"));
        QCOMPARE(prompts.messages.at(0).text,
                 QStringLiteral("エラー番号「 13 」\r\nエラーメッセージ 「 型が一致しません。 」\r\n\r\nのエラーが発生しましたので、"
                                "処理を中止します\r\nできれば、掲示板で報告してください。お願いします。"));
        QCOMPARE(prompts.messages.at(1).text,
                 QStringLiteral("エラー番号「 5 」のエラーが発生しましたので、処理を中止します\r\n"
                                "できれば、掲示板で報告してください。お願いします。"));
        QCOMPARE(prompts.messages.at(1).title, QStringLiteral("エラー"));
    }
};

QTEST_GUILESS_MAIN(TestTransferErrors)
#include "test_transfer_errors.moc"
