// The main window on the offscreen platform, over a real data directory.
#include "MainWindowFixture.h"

#include "compose/core/ComposeLauncher.h"
#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MailTableModel.h"
#include "storage/FolderTree.h"
#include "storage/ProfileStore.h"
#include "storage/WindowGeometry.h"
#include "support/RecordingPrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTest>

#include <memory>

using namespace fumibako;
using namespace fumibako::mainwin;
using fumibako::test::MainWindowData;
using fumibako::test::RecordingPrompts;

namespace {
const QString kDeleteQuestion = QStringLiteral("本当に削除してよろしいですか？");
}

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_window;

    void openWindow()
    {
        m_prompts = std::make_unique<RecordingPrompts>();
        openMainWindow(m_data->paths(), m_prompts.get(), m_window);
    }

    void selectFolder(const QString& key) { fumibako::test::selectFolder(*m_window, key); }
    MainController& controller() const { return m_window->controller(); }
    MailTableModel* model() const { return m_window->controller().mailModel(); }

    int rowOfSubject(const QString& subject) const
    {
        for (int row = 0; row < model()->rowCount(); ++row) {
            if (model()->index(row, kSubjectColumn).data().toString() == subject)
                return row;
        }
        return -1;
    }

    void clickRow(int row)
    {
        MailListView* list = test::mailList(*m_window);
        const QRect rect = list->visualRect(model()->index(row, kSubjectColumn));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void clickHeader(int column)
    {
        QHeaderView* header = test::mailList(*m_window)->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
    }

    QStringList subjects() const
    {
        QStringList texts;
        for (int row = 0; row < model()->rowCount(); ++row)
            texts.append(model()->index(row, kSubjectColumn).data().toString());
        return texts;
    }

    static QAction* findAction(const QMenu* menu, const QString& text)
    {
        for (QAction* action : menu->actions()) {
            if (action->text() == text)
                return action;
            if (action->menu()) {
                if (QAction* inner = findAction(action->menu(), text))
                    return inner;
            }
        }
        return nullptr;
    }

    QMenu* listPopup() const { return m_window->findChild<QMenu*>(QStringLiteral("POPUPlsvmail")); }
    QAction* deleteButton() const { return m_window->findChild<QAction*>(QStringLiteral("tlbDelete")); }

    // Opens the list's pop-up menu on the selection and chooses @p text in it.
    void triggerPopup(const QString& text)
    {
        listPopup()->popup(QPoint(0, 0));
        QAction* action = findAction(listPopup(), text);
        QVERIFY2(action, qPrintable(text));
        QVERIFY2(action->isEnabled(), qPrintable(text));
        listPopup()->close();
        action->trigger();
    }

    bool hasLine(const QString& file, const QString& section, const QString& prefix) const
    {
        for (const QString& line : MainWindowData::section(file, section)) {
            if (line.startsWith(prefix))
                return true;
        }
        return false;
    }

    bool deleteQuestionAsked() const
    {
        for (const auto& shown : m_prompts->messages) {
            if (shown.text == kDeleteQuestion)
                return true;
        }
        return false;
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        openWindow();
    }
    void cleanup()
    {
        m_window.reset();
        m_prompts.reset();
        m_data.reset();
    }

    void opensOnTheUnreadViewOfTheFirstAccount()
    {
        QCOMPARE(test::accountBox(*m_window)->currentText(), QStringLiteral("taro"));
        QCOMPARE(controller().folderView().folderKey(), QStringLiteral("未読メール"));
        QCOMPARE(controller().receiveMethod(), storage::ReceiveMethod::ReceiveAll); // "MailJusin" of the account
        QCOMPARE(model()->rowCount(), 2);
        QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("フミ(文)バコ")));
    }

    void folderSelectionLists_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("senderCaption");
        QTest::newRow("inbox") << QStringLiteral("受信BOX") << 4 << QStringLiteral("送信者");
        QTest::newRow("unread (never the trash)") << QStringLiteral("未読メール") << 2 << QStringLiteral("送信者");
        QTest::newRow("standard") << QStringLiteral("標準BOX") << 3 << QStringLiteral("送信者");
        QTest::newRow("trash") << QStringLiteral("ごみ箱") << 1 << QStringLiteral("送信者");
        QTest::newRow("drafts") << QStringLiteral("下書き") << 1 << QStringLiteral("あて先");
        QTest::newRow("outbox") << QStringLiteral("送信BOX") << 1 << QStringLiteral("あて先");
        QTest::newRow("sent") << QStringLiteral("送信済BOX") << 1 << QStringLiteral("あて先");
    }
    void folderSelectionLists()
    {
        QFETCH(QString, folder);
        QFETCH(int, rows);
        selectFolder(folder);
        QCOMPARE(model()->rowCount(), rows);
        QTEST(model()->headerData(kFromColumn, Qt::Horizontal).toString(), "senderCaption");
        QCOMPARE(m_prompts->status.value(2), QStringLiteral("%1件あります").arg(rows));
        QVERIFY(!deleteButton()->isEnabled());
    }

    void popupFlagsAndMoves()
    {
        selectFolder(QStringLiteral("標準BOX"));
        clickRow(rowOfSubject(QStringLiteral("お知らせ")));
        QVERIFY(deleteButton()->isEnabled());
        triggerPopup(QStringLiteral("フラグを立てる"));
        QCOMPARE(model()->index(rowOfSubject(QStringLiteral("お知らせ")), kSavedColumn).data().toString(),
                 QStringLiteral("♪"));
        QVERIFY(hasLine(m_data->receivedIndex(), QStringLiteral("標準BOX"), QStringLiteral("m2.eml=100\t")));
        QVERIFY(!findAction(listPopup(), QStringLiteral("取り出す"))->isEnabled());

        triggerPopup(QStringLiteral("ごみ箱行き"));
        QCOMPARE(subjects().size(), 2);
        QVERIFY(hasLine(m_data->receivedIndex(), QStringLiteral("ごみ箱"), QStringLiteral("m2.eml=100\t")));

        // Deleted for good in the trash, the flagged message stays, with the "削除フラグ" message.
        selectFolder(QStringLiteral("ごみ箱"));
        clickRow(rowOfSubject(QStringLiteral("お知らせ")));
        m_prompts->answerNext(platform::Answer::Yes);
        QTest::keyClick(test::mailList(*m_window), Qt::Key_Delete);
        QCOMPARE(m_prompts->messages.last().title, QStringLiteral("削除フラグ"));
        QCOMPARE(subjects().size(), 2);
        QVERIFY(hasLine(m_data->receivedIndex(), QStringLiteral("ごみ箱"), QStringLiteral("m2.eml=100\t")));
        QVERIFY(QFile::exists(controller().folderView().currentMailDir() + QStringLiteral("m2.eml")));

        clickRow(rowOfSubject(QStringLiteral("お知らせ")));
        triggerPopup(QStringLiteral("取り出す"));
        QVERIFY(hasLine(m_data->receivedIndex(), QStringLiteral("標準BOX"), QStringLiteral("m2.eml=100\t")));
        QCOMPARE(subjects(), QStringList{QStringLiteral("セール")});
    }

    void deleteKeyPerFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("permanent");
        QTest::newRow("standard") << QStringLiteral("標準BOX") << false << false;
        QTest::newRow("standard with shift") << QStringLiteral("標準BOX") << true << true;
        QTest::newRow("unread view") << QStringLiteral("未読メール") << false << false;
        QTest::newRow("trash") << QStringLiteral("ごみ箱") << false << true;
        QTest::newRow("drafts") << QStringLiteral("下書き") << false << true;
        QTest::newRow("outbox") << QStringLiteral("送信BOX") << false << true;
        QTest::newRow("sent") << QStringLiteral("送信済BOX") << false << true;
    }
    void deleteKeyPerFolder()
    {
        QFETCH(QString, folder);
        QFETCH(bool, shift);
        QFETCH(bool, permanent);
        selectFolder(folder);
        const int before = model()->rowCount();
        clickRow(0);
        QTest::keyClick(test::mailList(*m_window), Qt::Key_Delete, shift ? Qt::ShiftModifier : Qt::NoModifier);
        // The question of a permanent delete is answered No: nothing changes then.
        QCOMPARE(deleteQuestionAsked(), permanent);
        QCOMPARE(model()->rowCount(), permanent ? before : before - 1);
        if (!permanent)
            QCOMPARE(MainWindowData::section(m_data->receivedIndex(), QStringLiteral("ごみ箱")).size(), 2);
    }

    void permanentDeleteWhenConfirmed()
    {
        selectFolder(QStringLiteral("ごみ箱"));
        clickRow(0);
        m_prompts->answerNext(platform::Answer::Yes);
        QTest::keyClick(test::mailList(*m_window), Qt::Key_Delete);
        QCOMPARE(model()->rowCount(), 0);
        QVERIFY(MainWindowData::section(m_data->receivedIndex(), QStringLiteral("ごみ箱")).isEmpty());
        QCOMPARE(test::preview(*m_window)->location(), QStringLiteral("about:blank"));
    }

    void sortingByHeaderClicks()
    {
        selectFolder(QStringLiteral("標準BOX"));
        QCOMPARE(subjects(), (QStringList{QStringLiteral("お知らせ"), QStringLiteral("会議の件"), QStringLiteral("資料送付")}));
        clickHeader(kDateColumn); // the current key: flips to ascending
        QCOMPARE(subjects(), (QStringList{QStringLiteral("資料送付"), QStringLiteral("会議の件"), QStringLiteral("お知らせ")}));
        clickHeader(kDateColumn);
        QCOMPARE(subjects().first(), QStringLiteral("お知らせ"));
        clickHeader(kFromColumn); // another column: descending (鈴木 > 佐藤 > 山田 in code order)
        QCOMPARE(model()->sortState().key, int(kFromColumn));
        QCOMPARE(model()->sortState().order, 1);
        QCOMPARE(subjects().first(), QStringLiteral("資料送付"));
        // The order survives listing the folder again.
        selectFolder(QStringLiteral("受信BOX"));
        selectFolder(QStringLiteral("標準BOX"));
        QCOMPARE(subjects().first(), QStringLiteral("資料送付"));
    }

    void digitKeysSwitchAccounts()
    {
        QTest::keyClick(test::mailList(*m_window), Qt::Key_3);
        QCOMPARE(controller().session().accountName(), QStringLiteral("taro"));
        QTest::keyClick(test::mailList(*m_window), Qt::Key_2);
        QCOMPARE(controller().session().accountName(), QStringLiteral("hanako"));
        QCOMPARE(test::accountBox(*m_window)->currentText(), QStringLiteral("hanako"));
        QCOMPARE(controller().folderView().folderKey(), QStringLiteral("未読メール"));
        QCOMPARE(model()->rowCount(), 0);
        QTest::keyClick(test::folderTree(*m_window), Qt::Key_1);
        QCOMPARE(controller().session().accountName(), QStringLiteral("taro"));
        QCOMPARE(model()->rowCount(), 2);
    }

    // Of the user folders only node 8, the first, is expanded, and only when there are more;
    // the inbox stays open on its fixed folders.
    void accountSwitchExpandsOnlyTheFirstUserFolder_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("expanded");
        const QString a = QStringLiteral("受信BOX\\A");
        const QString c = QStringLiteral("受信BOX\\C");
        const QString inbox = QStringLiteral("受信BOX");
        QTest::newRow("no user folders") << QStringList{} << QStringList{inbox};
        QTest::newRow("one folder: eight nodes") << QStringList{a} << QStringList{inbox};
        QTest::newRow("first folder with a sub-folder")
            << QStringList{a, a + QStringLiteral("\\B")} << QStringList{inbox, a};
        QTest::newRow("later folders stay closed")
            << QStringList{a, a + QStringLiteral("\\B"), c, c + QStringLiteral("\\D"), c + QStringLiteral("\\D\\E")}
            << QStringList{inbox, a};
        QTest::newRow("first folder without sub-folders")
            << QStringList{a, c, c + QStringLiteral("\\D")} << QStringList{inbox};
    }
    void accountSwitchExpandsOnlyTheFirstUserFolder()
    {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, expanded);
        QVERIFY(storage::writeOrderedList(QStringLiteral("Folder"), m_data->paths().programDir + QStringLiteral("hanako.ini"), folders));
        test::accountBox(*m_window)->setCurrentIndex(1);
        QCOMPARE(controller().session().accountName(), QStringLiteral("hanako"));
        QCOMPARE(controller().session().folderTree().count(), 7 + int(folders.size()));
        QTreeView* tree = test::folderTree(*m_window);
        const auto* model = static_cast<const FolderTreeModel*>(tree->model());
        QStringList shownOpen;
        for (int node = 1; node <= controller().session().folderTree().count(); ++node) {
            const QModelIndex index = model->indexOfNode(node);
            if (model->hasChildren(index) && tree->isExpanded(index))
                shownOpen.append(index.data(FolderTreeModel::KeyRole).toString());
        }
        QCOMPARE(shownOpen, expanded);
    }

    // The form is the area below the menu bar and the tool bar.
    void splitterLimits()
    {
        const storage::SplitterPositions start = controller().splitters();
        const QWidget* form = m_window->centralWidget();
        const int formWidth = static_cast<int>(storage::pixelsToTwips(form->width(), m_window->logicalDpiX()));
        QVERIFY(!controller().moveSplitter(0, 400));
        QVERIFY(!controller().moveSplitter(0, formWidth - 400));
        QCOMPARE(controller().splitters().left, start.left);
        QVERIFY(controller().moveSplitter(0, 3000));
        QVERIFY(qAbs(controller().splitters().left - 3000) < 30);

        const int formHeight = static_cast<int>(storage::pixelsToTwips(form->height(), m_window->logicalDpiY()));
        QVERIFY(!controller().moveSplitter(1, 1200));
        QVERIFY(!controller().moveSplitter(1, formHeight - 1800));
        QVERIFY(controller().moveSplitter(1, formHeight - 2600));
        QVERIFY(!controller().moveSplitter(2, 1000));

        // Shrinking the window below splitter 1 moves it to two thirds of the height.
        const int below = controller().splitters().listBottom;
        m_window->resize(m_window->width(), 300);
        const int shrunk = static_cast<int>(storage::pixelsToTwips(form->height(), m_window->logicalDpiY()));
        QVERIFY(shrunk < below);
        QCOMPARE(controller().splitters().listBottom, shrunk * 2 / 3);
    }

    void exitWritesColumnsOnlyAfterHeaderClick()
    {
        const QString registry = m_data->registryFile();
        QVERIFY(m_window->close());
        QStringList lines;
        QVERIFY(!storage::IniGetSection(QStringLiteral("LsvMailWidth"), registry, lines));
        QVERIFY(!storage::IniGetSection(QStringLiteral("Sort"), registry, lines));
        QVERIFY(!storage::IniGetString(QStringLiteral("Window"), QStringLiteral("Width"), 10, registry).isEmpty());

        m_window.reset();
        openWindow();
        clickHeader(kSubjectColumn);
        QVERIFY(m_window->close());
        QVERIFY(storage::IniGetSection(QStringLiteral("LsvMailWidth"), registry, lines));
        QCOMPARE(storage::IniGetString(QStringLiteral("Sort"), QStringLiteral("SortKey"), 10, registry), QStringLiteral("4"));
        QCOMPARE(storage::IniGetString(QStringLiteral("Sort"), QStringLiteral("SortOrder"), 10, registry), QStringLiteral("1"));

        // The next run starts with the written order.
        m_window.reset();
        openWindow();
        QCOMPARE(model()->sortState().key, int(kSubjectColumn));
        QVERIFY(!model()->sortState().changed);
    }

    void exitAsksAboutTheMailBeingWritten_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("exits");
        QTest::newRow("保存") << int(platform::Answer::Save) << true;
        QTest::newRow("キャンセル") << int(platform::Answer::Cancel) << false;
    }
    void exitAsksAboutTheMailBeingWritten()
    {
        QFETCH(int, answer);
        QFETCH(bool, exits);
        m_window->composeLauncher().OpenCompose(compose::ComposeMode::New, QString(), QString(), QString());
        QPointer<QMainWindow> compose = m_window->findChild<QMainWindow*>(QStringLiteral("frmSend"));
        compose->findChild<QLineEdit*>(QStringLiteral("txtSub"))->setText(QStringLiteral("書きかけ"));
        m_prompts->answerNext(platform::Answer(answer));
        QCOMPARE(m_window->close(), exits);
        QCOMPARE(m_prompts->messages.size(), 1);
        QCOMPARE(m_prompts->messages.at(0).text, QStringLiteral("編集中のメールを下書きに保存しますか？"));
        QCOMPARE(compose && compose->isVisible(), !exits);
        const QStringList drafts = MainWindowData::section(m_data->outgoingIndex(), QStringLiteral("下書き"));
        QCOMPARE(drafts.last().contains(QStringLiteral("\t書きかけ\t")), exits);
    }

    void unreadTimerMarksReadOnTheFourthTick()
    {
        selectFolder(QStringLiteral("標準BOX"));
        const int row = rowOfSubject(QStringLiteral("会議の件"));
        clickRow(row);
        QVERIFY(controller().timers().isUnreadTimerRunning());
        for (int tick = 0; tick < 3; ++tick)
            Q_EMIT controller().timers().unreadTick();
        QCOMPARE(model()->index(row, kUnreadColumn).data().toString(), QStringLiteral("未"));
        Q_EMIT controller().timers().unreadTick();
        QCOMPARE(model()->index(row, kUnreadColumn).data().toString(), QString());
        QVERIFY(!controller().timers().isUnreadTimerRunning());
        QVERIFY(hasLine(m_data->receivedIndex(), QStringLiteral("標準BOX"), QStringLiteral("m1.eml=000\t")));

        // A read message stops the timer; an unread one starts it again.
        clickRow(rowOfSubject(QStringLiteral("資料送付")));
        QVERIFY(controller().timers().isUnreadTimerRunning());
        clickRow(rowOfSubject(QStringLiteral("お知らせ")));
        QVERIFY(!controller().timers().isUnreadTimerRunning());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
