// The mail list from the keyboard: moving in the list, filing into a folder chosen in a dialog,
// and replies, on the offscreen platform over a real data directory.
#include "MainWindowFixture.h"

#include "mainwin/FolderChoiceDialog.h"
#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/MailTableModel.h"
#include "storage/AccountSettings.h"
#include "storage/ProfileStore.h"
#include "support/ModalAnswers.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace fumibako;
using namespace fumibako::mainwin;
using fumibako::test::MainWindowData;

namespace {
const QString kWork = QStringLiteral("受信BOX\\仕事");
}

class TestMainWindowKeys : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<test::RecordingPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_window;

    MainController& controller() const { return m_window->controller(); }
    MailListView* list() const { return test::mailList(*m_window); }
    QString taroFile() const { return m_data->paths().programDir + QStringLiteral("taro.ini"); }
    QString inputDir() const { return controller().session().paths().inputDir; }

    // As a click would, whatever modifier keys the last key press left held.
    void selectRow(int row)
    {
        list()->setFocus();
        const QModelIndex index = list()->model()->index(row, kSubjectColumn);
        list()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    // Answers the next folder choice with the folder it offers first, checking its texts.
    void acceptFolderChoice(const QString& title, const QString& offered)
    {
        test::answerNextDialog<FolderChoiceDialog>([title, offered](FolderChoiceDialog* dialog) {
            auto* tree = dialog->findChild<QTreeWidget*>(QStringLiteral("treFolderChoice"));
            const bool right = dialog->windowTitle() == title && tree->currentItem()
                && tree->currentItem()->text(0) == offered;
            if (!right) {
                dialog->reject();
                return;
            }
            QTest::keyClick(tree, Qt::Key_Return);
        });
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        QVERIFY(storage::writeOrderedList(QStringLiteral("Folder"), taroFile(), {kWork}));
        m_prompts = std::make_unique<test::RecordingPrompts>();
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_window);
        m_window->activateWindow(); // the menu keys are the active window's
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        test::selectFolder(*m_window, QStringLiteral("標準BOX"));
        QCOMPARE(controller().mailModel()->rowCount(), 3);
    }
    void cleanup()
    {
        m_window.reset();
        m_prompts.reset();
        m_data.reset();
    }

    void listKeysMoveTheSelection_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("Home") << 1 << int(Qt::Key_Home) << 0;
        QTest::newRow("End") << 0 << int(Qt::Key_End) << 2;
        QTest::newRow("Page Down") << 0 << int(Qt::Key_PageDown) << 2;
        QTest::newRow("Page Up") << 2 << int(Qt::Key_PageUp) << 0;
    }
    void listKeysMoveTheSelection()
    {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        selectRow(from);
        QTest::keyClick(list(), Qt::Key(key));
        QCOMPARE(list()->currentIndex().row(), to);
        QCOMPARE(list()->selectedRowNumbers(), QList<int>{controller().mailModel()->folderRow(to)});
        // As an item click: the preview shows the message.
        const QString shown = controller().folderView().rows().at(controller().mailModel()->folderRow(to)).keyString();
        QTRY_VERIFY(test::preview(*m_window)->location().endsWith(QStringLiteral("FumiMail.htm")));
        QCOMPARE(controller().currentMail().mailName, shown);
    }

    void moveAndCopyThroughTheFolderChoice()
    {
        selectRow(0);
        const QString moved = controller().folderView().rows().at(controller().mailModel()->folderRow(0)).keyString();
        acceptFolderChoice(QStringLiteral("フォルダへ移動"), QStringLiteral("仕事"));
        QTest::keyClick(m_window.get(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(controller().mailModel()->rowCount(), 2);
        QVERIFY(!storage::IniGetString(kWork, moved, 256, m_data->receivedIndex()).isEmpty());
        QVERIFY(storage::IniGetString(QStringLiteral("標準BOX"), moved, 256, m_data->receivedIndex()).isEmpty());

        // From the pop-up menu, the copy offers the folder filed into last.
        selectRow(0);
        const QString copied = controller().folderView().rows().at(controller().mailModel()->folderRow(0)).keyString();
        acceptFolderChoice(QStringLiteral("フォルダへコピー"), QStringLiteral("仕事"));
        auto* popup = m_window->findChild<QMenu*>(QStringLiteral("POPUPlsvmail"));
        Q_EMIT popup->aboutToShow();
        auto* copy = m_window->findChild<QAction*>(QStringLiteral("mnuCopyToPopup"));
        QVERIFY(copy && copy->isEnabled());
        copy->trigger();
        QCOMPARE(controller().mailModel()->rowCount(), 2);
        const QString name = copied.chopped(4) + QStringLiteral("-2.eml");
        QCOMPARE(test::readBytes(inputDir() + name), test::readBytes(inputDir() + copied));
        QVERIFY(!storage::IniGetString(kWork, name, 256, m_data->receivedIndex()).isEmpty());
    }

    void filingIsNotOfferedForOutgoingMail()
    {
        test::selectFolder(*m_window, QStringLiteral("下書き"));
        selectRow(0);
        auto* popup = m_window->findChild<QMenu*>(QStringLiteral("POPUPlsvmail"));
        Q_EMIT popup->aboutToShow();
        for (const char* name : {"mnuMoveToPopup", "mnuCopyToPopup", "mnuReplyPopup", "mnuReplyAllPopup"})
            QVERIFY2(!m_window->findChild<QAction*>(QLatin1String(name))->isEnabled(), name);
        // The keys do nothing there.
        QTest::keyClick(m_window.get(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(controller().mailModel()->rowCount(), 1);
    }

    void replyToEveryoneFromTheList()
    {
        const int row = 0;
        const QString name = controller().folderView().rows().at(controller().mailModel()->folderRow(row)).keyString();
        test::writeBytes(inputDir() + name,
                         "From: yamada@example.jp\r\nTo: taro@example.jp, sato@example.jp\r\n"
                         "Cc: suzuki@example.jp\r\nSubject: plan\r\nMessage-ID: <p@x.jp>\r\n\r\nline 1\r\nline 2\r\n");
        selectRow(row);
        QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        auto* compose = m_window->findChild<QMainWindow*>(QStringLiteral("frmSend"));
        QVERIFY(compose && compose->isVisible());
        QCOMPARE(compose->findChild<QComboBox*>(QStringLiteral("cmbTo"))->currentText(), QStringLiteral("yamada@example.jp"));
        QCOMPARE(compose->findChild<QComboBox*>(QStringLiteral("cmbCC"))->currentText(),
                 QStringLiteral("sato@example.jp, suzuki@example.jp")); // taro's own address left out
        QCOMPARE(compose->findChild<QLineEdit*>(QStringLiteral("txtSub"))->text(), QStringLiteral("Re:plan"));
        QCOMPARE(compose->findChild<QPlainTextEdit*>(QStringLiteral("txtBun"))->toPlainText(),
                 QStringLiteral(">line 1\n>line 2\n>"));
    }
};

QTEST_MAIN(TestMainWindowKeys)
#include "test_main_window_keys.moc"
