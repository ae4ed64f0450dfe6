// The main window's side of search, offscreen: the search box (Ctrl+F, Escape), the quick filter
// and the commands on what it shows, Enter into "検索結果", and the window at work while the
// index of a large mailbox is built.
#include "MainWindowFixture.h"

#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MailTableModel.h"
#include "search/SearchService.h"
#include "storage/MailFolderView.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace fumibako;
using namespace fumibako::mainwin;
using fumibako::test::MainWindowData;
using fumibako::test::RecordingPrompts;

namespace {

QByteArray utf8Mail(const QString& from, const QString& subject, const QString& body)
{
    return "From: " + from.toUtf8() + "\r\nSubject: " + subject.toUtf8()
        + "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
        + body.toUtf8() + "\r\n";
}

} // namespace

class TestMainWindowSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_window;

    storage::AccountPaths taro() const
    {
        return storage::AccountPaths::make(m_data->paths().programDir, QStringLiteral("taro"));
    }
    QLineEdit* box() const { return m_window->findChild<QLineEdit*>(QStringLiteral("txtSearch")); }
    QString note() const { return m_window->findChild<QLabel*>(QStringLiteral("lblSearchNote"))->text(); }
    search::SearchService* service() const { return &m_window->controller().search(); }

    void openWindow()
    {
        m_prompts = std::make_unique<RecordingPrompts>();
        openMainWindow(m_data->paths(), m_prompts.get(), m_window);
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    // The keys of the rows the list shows, top to bottom, with their folders.
    QStringList shownRows() const
    {
        QStringList rows;
        const MailTableModel* model = m_window->controller().mailModel();
        for (int row = 0; row < model->rowCount(); ++row)
            rows.append(m_window->controller().folderView().rows().at(model->folderRow(row)).keyString() + QLatin1Char('@')
                        + model->index(row, kFolderColumn).data().toString());
        return rows;
    }
    QStringList selectedKeys() const
    {
        QStringList keys;
        for (int row : test::mailList(*m_window)->selectedRowNumbers())
            keys.append(m_window->controller().folderView().rows().at(row).keyString());
        return keys;
    }
    void selectKey(const QString& key)
    {
        const int row = m_window->controller().mailModel()->modelRow(m_window->controller().folderView().rows().rowOfKey(key));
        QVERIFY(row >= 0);
        test::mailList(*m_window)->selectRow(row);
    }
    // Japanese is typed through the input method: each word arrives committed whole.
    static void commit(QWidget* widget, const QString& text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(widget, &event);
    }
    void typeInBox(const QString& text)
    {
        QTest::keyClick(m_window.get(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), box());
        commit(box(), text);
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<MainWindowData>();
    }
    void cleanup()
    {
        m_window.reset();
        m_prompts.reset();
        m_data.reset();
    }

    // Ctrl+F puts the keyboard into the box; typing narrows the shown folder; Escape gives the
    // folder back as it was, the selection made before filtering included, and a second Escape
    // hands the keyboard back to the list.
    void typingFiltersAndEscapeGivesTheFolderBack()
    {
        openWindow();
        test::selectFolder(*m_window, QStringLiteral("標準BOX"));
        const QStringList before = shownRows();
        const int sortColumn = test::mailList(*m_window)->horizontalHeader()->sortIndicatorSection();
        selectKey(QStringLiteral("m2.eml"));

        typeInBox(QStringLiteral("会議"));
        QCOMPARE(shownRows(), QStringList{QStringLiteral("m1.eml@標準BOX")});
        QCOMPARE(m_prompts->status.value(2), QStringLiteral("1件を表示（全3件）"));
        QVERIFY(selectedKeys().isEmpty()); // m2 is not shown: no command may reach it

        QTest::keyClick(box(), Qt::Key_Escape);
        QCOMPARE(box()->text(), QString());
        QCOMPARE(shownRows(), before);
        QCOMPARE(selectedKeys(), QStringList{QStringLiteral("m2.eml")});
        QCOMPARE(test::mailList(*m_window)->horizontalHeader()->sortIndicatorSection(), sortColumn);
        QCOMPARE(m_prompts->status.value(2), QStringLiteral("3件あります"));
        QTest::keyClick(box(), Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), test::mailList(*m_window));

        typeInBox(QStringLiteral("存在しない件名"));
        QVERIFY(shownRows().isEmpty());
        QVERIFY(note().contains(QStringLiteral("Enter キーで全フォルダを本文まで検索します")));
        test::selectFolder(*m_window, QStringLiteral("ごみ箱")); // another folder starts unfiltered
        QCOMPARE(box()->text(), QString());
        QCOMPARE(shownRows(), QStringList{QStringLiteral("t1.eml@ごみ箱")});
    }

    // A command on the filtered list acts on the row the user sees and selected, not on the
    // folder's row of that number.
    void commandsActOnTheRowsShown()
    {
        openWindow();
        test::selectFolder(*m_window, QStringLiteral("標準BOX"));
        typeInBox(QStringLiteral("資料"));
        QCOMPARE(m_window->controller().mailModel()->rowCount(), 1);
        test::mailList(*m_window)->selectRow(0);
        QTest::keyClick(test::mailList(*m_window), Qt::Key_Delete);
        const QStringList trash = MainWindowData::section(m_data->receivedIndex(), QStringLiteral("ごみ箱"));
        QCOMPARE(trash.size(), 2);
        QVERIFY(trash.last().startsWith(QStringLiteral("m3.eml=")));
        QCOMPARE(MainWindowData::section(m_data->receivedIndex(), QStringLiteral("標準BOX")).size(), 2);
        QVERIFY(shownRows().isEmpty()); // still filtered, the trashed row gone
    }

    // Enter searches every folder, bodies included, into "検索結果", which lists each message
    // with its folder, newest first; its commands act on each message's own file.
    void enterSearchesEveryFolderIntoTheResults()
    {
        const storage::AccountPaths paths = taro();
        test::writeBytes(paths.inputDir + QStringLiteral("q1.eml"),
                         utf8Mail(QStringLiteral("見積係 <q@example.jp>"), QStringLiteral("ご連絡"),
                                  QStringLiteral("お見積りの件でご連絡します。")));
        storage::IniWriteString(QStringLiteral("標準BOX"), QStringLiteral("q1.eml"),
                                QStringLiteral("000\t見積係\tご連絡\t2024/02/01 09:00:00"), paths.receivedIndexFile);
        // A draft: To, Cc, Bcc, attachments, subject, the keep flag, then the body.
        test::writeBytes(paths.draftDir + QStringLiteral("20240301-101010.txt"),
                         QStringLiteral("\uFEFFq@example.jp\r\n\r\n\r\n\r\n見積書\r\n 0 \r\n添付します\r\n").toUtf8());
        storage::IniWriteString(QStringLiteral("下書き"), QStringLiteral("20240301-101010.txt"),
                                QStringLiteral("000\tq@example.jp\t見積書\t20240301-101010"), paths.outgoingIndexFile);
        openWindow();
        service()->waitUntilIdle();

        typeInBox(QStringLiteral("見積"));
        QTest::keyClick(box(), Qt::Key_Return);
        QCOMPARE(m_window->controller().folderView().folderKey(), storage::kSearchResultsKey);
        QCOMPARE(FolderTreeModel::nodeOf(test::folderTree(*m_window)->currentIndex()), FolderTreeModel::kSearchResultsNode);
        QCOMPARE(shownRows(), (QStringList{QStringLiteral("20240301-101010.txt@下書き"), QStringLiteral("q1.eml@標準BOX")}));
        QVERIFY(!test::mailList(*m_window)->isColumnHidden(kFolderColumn));
        QCOMPARE(box()->text(), QStringLiteral("見積"));
        QCOMPARE(note(), QStringLiteral("「見積」に一致するメール: 2件"));

        QTest::keyClick(box(), Qt::Key_Down); // into the list, on the newest
        QCOMPARE(QApplication::focusWidget(), test::mailList(*m_window));
        QCOMPARE(selectedKeys(), QStringList{QStringLiteral("20240301-101010.txt")});
        m_prompts->answerNext(platform::Answer::Yes);
        QTest::keyClick(test::mailList(*m_window), Qt::Key_Delete, Qt::ShiftModifier);
        QVERIFY(!QFile::exists(paths.draftDir + QStringLiteral("20240301-101010.txt")));
        QVERIFY(QFile::exists(paths.inputDir + QStringLiteral("q1.eml")));
        QCOMPARE(shownRows(), QStringList{QStringLiteral("q1.eml@標準BOX")});

        service()->waitUntilIdle(); // the deletion reached the index: nothing is said of a build
        box()->clear();
        commit(box(), QStringLiteral("見つからない語"));
        QTest::mouseClick(m_window->findChild<QToolButton*>(QStringLiteral("cmdSearchAll")), Qt::LeftButton);
        QVERIFY(shownRows().isEmpty());
        QCOMPARE(note(), QStringLiteral("「見つからない語」に一致するメールは見つかりませんでした"));
        QCOMPARE(m_prompts->status.value(2), QStringLiteral("0件あります"));
    }

    // The index of a large mailbox is built while the window works on: its event loop keeps
    // running, and the status bar shows the progress until the index is done.
    void windowStaysResponsiveWhileTenThousandMessagesAreIndexed()
    {
        const storage::AccountPaths paths = taro();
        QStringList lines;
        for (int i = 0; i < 10000; ++i) {
            const QString name = QStringLiteral("big%1.eml").arg(i, 5, 10, QLatin1Char('0'));
            test::writeBytes(paths.inputDir + name,
                             utf8Mail(QStringLiteral("送信者%1 <s@example.jp>").arg(i % 50), QStringLiteral("定例報告 %1").arg(i),
                                      QStringLiteral("東京本社の会議室で定例の打ち合わせを行います。番号%1").arg(i)));
            lines.append(name + QStringLiteral("=000\t送信者\t定例報告\t2023/01/01 00:00:00"));
        }
        storage::IniWriteSection(QStringLiteral("標準BOX"), paths.receivedIndexFile, lines);
        openWindow();
        auto* progress = m_window->findChild<QLabel*>(QStringLiteral("lblIndexProgress"));
        QVERIFY(service()->isBusy());

        // Ticks of a 10 ms timer: the longest gap between two is how long the window was deaf.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QStringList progressTexts;
        QTimer ticker;
        ticker.setInterval(10);
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, sinceTick.restart());
            if (!progress->text().isEmpty() && !progressTexts.contains(progress->text()))
                progressTexts.append(progress->text());
        });
        sinceTick.start();
        ticker.start();
        QVERIFY(QTest::qWaitFor([&] { return !service()->isBusy(); }, 240000));
        QTest::qWait(50); // the last reports are queued to the window
        ticker.stop();
        QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
        QVERIFY(!progressTexts.isEmpty());
        const QRegularExpressionMatch shown =
            QRegularExpression(QStringLiteral("^検索用の索引を作成中 \\((\\d+)/(\\d+)\\)$")).match(progressTexts.first());
        QVERIFY2(shown.hasMatch(), qPrintable(progressTexts.first()));
        QVERIFY(shown.captured(2).toInt() >= 10000);
        QCOMPARE(progress->text(), QString());
    }
};

QTEST_MAIN(TestMainWindowSearch)
#include "test_main_window_search.moc"
