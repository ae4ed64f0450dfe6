#include "mailview/PreviewSelection.h"
#include "support/RecordingPrompts.h"

#include <QTest>

using namespace fumibako::mailview;
using fumibako::transfer::StoredMailKind;

Q_DECLARE_METATYPE(PreviewAction)

class TestPreviewSelection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clicks_data();
    void clicks();
    void emptySpace();
    void readMode_data();
    void readMode();
    void links_data();
    void links();
    void errorReport_data();
    void errorReport();
};

// A sequence of list events: "press", "click KEY LOCATION" (LOCATION "-" for the preview file).
void TestPreviewSelection::clicks_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QList<PreviewAction>>("actions"); // one per click
    QTest::addColumn<QString>("shownKey");
    using A = PreviewAction;
    QTest::newRow("first click renders") << QStringList{"press", "click m1 about:blank"}
                                         << QList<A>{A::Render} << "m1";
    QTest::newRow("same message still shown") << QStringList{"press", "click m1 -", "press", "click m1 -"}
                                              << QList<A>{A::Render, A::Nothing} << "m1";
    QTest::newRow("same message after blanking") << QStringList{"press", "click m1 -", "press", "click m1 about:blank"}
                                                 << QList<A>{A::Render, A::Render} << "m1";
    QTest::newRow("other message") << QStringList{"press", "click m1 -", "press", "click m2 -"}
                                   << QList<A>{A::Render, A::Render} << "m2";
    QTest::newRow("second click without press blanks") << QStringList{"press", "click m1 -", "click m2 -"}
                                                       << QList<A>{A::Render, A::Blank} << "";
    QTest::newRow("third click without press") << QStringList{"press", "click m1 -", "click m1 -", "click m1 about:blank"}
                                               << QList<A>{A::Render, A::Blank, A::Nothing} << "";
    QTest::newRow("after blank the same message renders")
        << QStringList{"press", "click m1 -", "click m1 -", "press", "click m1 about:blank"}
        << QList<A>{A::Render, A::Blank, A::Render} << "m1";
}

void TestPreviewSelection::clicks()
{
    QFETCH(QStringList, events);
    QFETCH(QList<PreviewAction>, actions);
    QFETCH(QString, shownKey);
    PreviewState state;
    QList<PreviewAction> got;
    for (const QString& event : events) {
        const QStringList parts = event.split(u' ');
        if (parts.first() == QLatin1String("press")) {
            listPressed(state);
            continue;
        }
        const QString location = parts.at(2) == QLatin1String("-") ? kPreviewFileName : parts.at(2);
        got << itemClicked(state, parts.at(1), location);
    }
    QCOMPARE(got, actions);
    QCOMPARE(state.shownKey, shownKey);
}

void TestPreviewSelection::emptySpace()
{
    QVERIFY(emptySpaceClicked(kPreviewFileName));
    QVERIFY(emptySpaceClicked(QStringLiteral("FBTop.htm")));
    QVERIFY(!emptySpaceClicked(kBlankLocation));
}

void TestPreviewSelection::readMode_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<StoredMailKind>("kind");
    QTest::newRow("outbox") << "送信BOX" << StoredMailKind::Outgoing;
    QTest::newRow("sent") << "送信済BOX" << StoredMailKind::Outgoing;
    QTest::newRow("drafts") << "下書き" << StoredMailKind::Outgoing;
    QTest::newRow("inbox") << "受信BOX" << StoredMailKind::Received;
    QTest::newRow("standard") << "標準BOX" << StoredMailKind::Received;
    QTest::newRow("trash") << "ごみ箱" << StoredMailKind::Received;
    QTest::newRow("user folder named like a fixed one") << "受信BOX\\送信BOX" << StoredMailKind::Received;
}

void TestPreviewSelection::readMode()
{
    QFETCH(QString, folder);
    QFETCH(StoredMailKind, kind);
    QCOMPARE(previewReadMode(folder), kind);
    QCOMPARE(previewTextAfterRead(false, QStringLiteral("body")), QStringLiteral("読み込みエラーです"));
    QCOMPARE(previewTextAfterRead(true, QStringLiteral("body")), QStringLiteral("body"));
}

void TestPreviewSelection::links_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("address");
    QTest::newRow("mail") << "fumibako:a@b.jp" << int(LinkAction::Compose) << "a@b.jp";
    QTest::newRow("mail list") << "fumibako:a@b.jp;c@d.jp" << int(LinkAction::Compose) << "a@b.jp;c@d.jp";
    QTest::newRow("scheme case matters") << "Fumibako:a@b.jp" << int(LinkAction::Ignore) << "";
    QTest::newRow("http") << "http://example.jp/" << int(LinkAction::External) << "";
    QTest::newRow("https") << "https://example.jp/a?b" << int(LinkAction::External) << "";
    QTest::newRow("ftp") << "ftp://example.jp/" << int(LinkAction::External) << "";
    QTest::newRow("relative, from http in a word") << "httpevil.html" << int(LinkAction::Ignore) << "";
    QTest::newRow("odd scheme") << "httpx:foo" << int(LinkAction::Ignore) << "";
    QTest::newRow("file") << "file:///etc/passwd" << int(LinkAction::Ignore) << "";
    QTest::newRow("javascript") << "javascript:alert(1)" << int(LinkAction::Ignore) << "";
    QTest::newRow("bare scheme") << "http://" << int(LinkAction::Ignore) << "";
}

void TestPreviewSelection::links()
{
    QFETCH(QString, url);
    QFETCH(int, kind);
    QFETCH(QString, address);
    const LinkAction action = previewLinkAction(url);
    QCOMPARE(int(action.kind), kind);
    QCOMPARE(action.address, address);
}

void TestPreviewSelection::errorReport_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("text");
    QTest::newRow("with description")
        << 75 << "Path/File access error"
        << "エラー番号「75」\r\nエラーメッセージ 「Path/File access error」\r\n\r\nのエラーが発生しました。\r\n"
           "できれば、掲示板で報告してください。お願いします。";
    QTest::newRow("without description")
        << 5 << ""
        << "エラー番号「5」のエラーが発生しました\r\nできれば、掲示板で報告してください。お願いします。";
}

void TestPreviewSelection::errorReport()
{
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(QString, text);
    fumibako::test::RecordingPrompts prompts;
    showPreviewError(prompts, number, description);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.first().text, text);
    QCOMPARE(prompts.messages.first().title, QStringLiteral("エラー"));
    QCOMPARE(prompts.messages.first().icon, fumibako::platform::Icon::Exclamation);
    QCOMPARE(prompts.messages.first().buttons, fumibako::platform::Buttons::Ok);
}

QTEST_GUILESS_MAIN(TestPreviewSelection)
#include "test_preview_selection.moc"
