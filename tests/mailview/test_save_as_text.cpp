// Save as text: the items in the chosen order, byte for byte, and the failures the user is told of.
#include "mailview/core/SaveAsText.h"
#include "platform/Cp932.h"
#include "support/RecordingPrompts.h"
#include "support/ScriptedReadingDialogs.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako;
using namespace fumibako::mailview;

Q_DECLARE_METATYPE(TextItem)

namespace {

const ShownMail kMail{QStringLiteral("taro@example.jp"), QStringLiteral("山田 <yamada@example.jp>"),
                      QStringLiteral("2024/04/02 09:30:00"), QStringLiteral("会議資料"),
                      QStringLiteral("一行目\r\n二行目\r\n")};

} // namespace

class TestSaveAsText : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::RecordingPrompts m_prompts;
    test::ScriptedReadingDialogs m_dialogs;

private Q_SLOTS:
    void init()
    {
        m_prompts = {};
        m_dialogs = {};
    }

    void offeredItems()
    {
        QStringList captions;
        for (TextItem item : offeredTextItems())
            captions.append(textItemCaption(item));
        QCOMPARE(captions, (QStringList{"宛先", "送信元", "送信日", "項目間に改行", "件名", "本文"}));
    }

    void savedFile_data()
    {
        QTest::addColumn<QList<TextItem>>("items");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("text"); // "\n" stands for CR LF
        using T = TextItem;
        QTest::newRow("subject, break, body") << QList<T>{T::Subject, T::BlankLine, T::Body} << kMail.body
                                              << "件名   : 会議資料\n\n本文   : 一行目\n二行目\n\n\n";
        QTest::newRow("every item in another order")
            << QList<T>{T::Date, T::From, T::To, T::Subject} << kMail.body
            << "送信日 : 2024/04/02 09:30:00\n送信元 : 山田 <yamada@example.jp>\n宛先   : taro@example.jp\n件名   : 会議資料\n\n";
        QTest::newRow("an item twice") << QList<T>{T::To, T::To} << kMail.body
                                       << "宛先   : taro@example.jp\n宛先   : taro@example.jp\n\n";
        QTest::newRow("header view on") << QList<T>{T::Body} << "From: a@example.jp\r\nSubject: x\r\n"
                                        << "本文   : From: a@example.jp\nSubject: x\n\n\n";
    }
    void savedFile()
    {
        QFETCH(QList<TextItem>, items);
        QFETCH(QString, body);
        QFETCH(QString, text);
        ShownMail mail = kMail;
        mail.body = body;
        SaveAsText save(m_prompts, m_dialogs, mail);
        for (TextItem item : items)
            save.choose(item);
        const QString file = m_dir.filePath(QStringLiteral("saved.txt"));
        test::writeBytes(file, QByteArray(5000, 'x')); // an older, longer file is replaced whole
        m_dialogs.files.enqueue(file);
        QVERIFY(save.next());
        QCOMPARE(test::readBytes(file), test::cp932Lines(text));
        QCOMPARE(m_dialogs.asked, QStringList{"保存|テキスト形式(*.txt)|txt"});
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].text, QStringLiteral("保存しました"));
        QCOMPARE(m_prompts.messages[0].title, QStringLiteral("フミ(文)バコ"));
    }

    void removingChosenItems()
    {
        SaveAsText save(m_prompts, m_dialogs, kMail);
        save.choose(TextItem::To);
        save.choose(TextItem::Subject);
        save.choose(TextItem::Body);
        save.remove(1);
        save.remove(7);
        QCOMPARE(save.chosen(), (QList<TextItem>{TextItem::To, TextItem::Body}));
    }

    void nothingChosenOrCancelled()
    {
        SaveAsText save(m_prompts, m_dialogs, kMail);
        QVERIFY(!save.next());
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].text, QStringLiteral("一つはチェックしてください"));
        QVERIFY(m_dialogs.asked.isEmpty());
        save.choose(TextItem::Subject);
        QVERIFY(!save.next()); // the file dialog was cancelled: nothing more is said
        QCOMPARE(m_prompts.messages.size(), 1);
    }

    void targetThatCannotBeWritten()
    {
        const QString file = m_dir.filePath(QStringLiteral("no-such-folder/saved.txt"));
        SaveAsText save(m_prompts, m_dialogs, kMail);
        save.choose(TextItem::Subject);
        m_dialogs.files.enqueue(file);
        QVERIFY(!save.next());
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].text,
                 QStringLiteral("ファイルに保存できませんでした。\r\n") + file
                     + QStringLiteral("\r\n保存先のフォルダに書き込めるか、ディスクに空きがあるか確かめてください。"));
        QCOMPARE(m_prompts.messages[0].icon, platform::Icon::Exclamation);
        QVERIFY(!QFile::exists(file));
    }

    void charactersCodePage932Lacks()
    {
        ShownMail mail = kMail;
        mail.subject = QStringLiteral("絵文字 😀 と 〜");
        SaveAsText save(m_prompts, m_dialogs, mail);
        save.choose(TextItem::Subject);
        const QString file = m_dir.filePath(QStringLiteral("utf8.txt"));
        m_dialogs.files.enqueue(file);
        QVERIFY(save.next());
        QCOMPARE(test::readBytes(file), QByteArray("\xEF\xBB\xBF") + QStringLiteral("件名   : 絵文字 😀 と 〜\r\n\r\n").toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestSaveAsText)
#include "test_save_as_text.moc"
