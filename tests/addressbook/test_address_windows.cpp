// The address book manager, its address dialog and the import wizard on the offscreen platform,
// opened from the main window as a person does.
#include "MainWindowFixture.h"

#include "addressbook/AddressBook.h"
#include "mainwin/MainWindow.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace fumibako;
using fumibako::test::cp932Lines;
using fumibako::test::readBytes;
using fumibako::test::writeBytes;

namespace {

QAction* actionNamed(QWidget* window, const QString& objectName)
{
    return window->findChild<QAction*>(objectName);
}

/** Runs @p fill on the modal dialog that the next call opens. */
void whenDialogOpens(std::function<void(QDialog*)> fill)
{
    QTimer::singleShot(0, [fill] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(dialog);
    });
}

QStringList columnTexts(const QAbstractItemModel* model, int column = 0)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

} // namespace

class TestAddressWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<test::MainWindowData> m_data;
    std::unique_ptr<test::RecordingPrompts> m_prompts;
    std::unique_ptr<mainwin::MainWindow> m_window;

    QString bookPath() const { return m_data->paths().programDir + QStringLiteral("Address.txt"); }

    QMainWindow* openManager()
    {
        QAction* command = nullptr;
        for (QAction* action : m_window->findChildren<QAction*>()) {
            if (action->text() == QStringLiteral("アドレス帳"))
                command = action;
        }
        [&] { QVERIFY(command); }();
        command->trigger();
        auto* manager = m_window->findChild<QMainWindow*>(QStringLiteral("frmAddMain"));
        [&] {
            QVERIFY(manager);
            QVERIFY(QTest::qWaitForWindowExposed(manager));
        }();
        return manager;
    }

    QTreeView* list(QWidget* manager) { return manager->findChild<QTreeView*>(QStringLiteral("LsvSenAdd")); }
    QTreeView* tree(QWidget* manager) { return manager->findChild<QTreeView*>(QStringLiteral("treAddMain")); }

    void selectListRow(QWidget* manager, const QString& text)
    {
        QTreeView* view = list(manager);
        const QModelIndexList found = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, text);
        [&] { QVERIFY(!found.isEmpty()); }();
        view->setCurrentIndex(found.first());
        const QRect cell = view->visualRect(found.first());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<test::MainWindowData>();
        m_prompts = std::make_unique<test::RecordingPrompts>();
        writeBytes(bookPath(), cp932Lines(QStringLiteral("1.1\nRoot\t山田\ty@ex.jp\t上司\nRoot\\仕事\t佐藤\ts@ex.jp\t\n"
                                                         "Root\\仕事\\取引先\t鈴木\tsuzuki@ex.jp\t\n")));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_window);
    }

    void cleanup()
    {
        m_window.reset();
        storage::clearProfileCache();
    }

    void opensOnceWithTheRootFolderShown()
    {
        QMainWindow* manager = openManager();
        QCOMPARE(manager->windowTitle(), QStringLiteral("アドレス帳管理"));
        QCOMPARE(columnTexts(list(manager)->model()), (QStringList{"仕事", "山田"}));
        QCOMPARE(list(manager)->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("電子メール　アドレス"));
        QCOMPARE(tree(manager)->currentIndex().data().toString(), QStringLiteral("Root"));
        QCOMPARE(openManager(), manager);
        QCOMPARE(m_window->findChildren<QMainWindow*>(QStringLiteral("frmAddMain")).size(), 1);
        // The pop-ups are no entries of the menu bar.
        QCOMPARE(manager->menuBar()->actions().size(), 1);
        QCOMPARE(manager->menuBar()->actions().first()->text(), QStringLiteral("ファイル(&F)"));
    }

    void newAddressThenSaveUpdatesTheFileAndThePane()
    {
        for (QAction* action : m_window->findChildren<QAction*>()) {
            if (action->text() == QStringLiteral("アドレス表示"))
                action->trigger();
        }
        QMainWindow* manager = openManager();
        whenDialogOpens([](QDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("新規アドレス"));
            dialog->findChild<QLineEdit*>(QStringLiteral("txtAdMail"))->setText(QStringLiteral("new@ex.jp"));
            dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click(); // no name yet: stays open
            QVERIFY(dialog->isVisible());
            dialog->findChild<QLineEdit*>(QStringLiteral("txtAdName"))->setText(QStringLiteral("新人"));
            dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        });
        actionNamed(manager, QStringLiteral("mnuManual"))->trigger();
        QCOMPARE(columnTexts(list(manager)->model()), (QStringList{"仕事", "山田", "新人"}));

        QPointer<QMainWindow> watched(manager);
        actionNamed(manager, QStringLiteral("mnuSave"))->trigger();
        QTRY_VERIFY(!watched);
        QVERIFY(m_prompts->messages.isEmpty());
        QVERIFY(readBytes(bookPath()).contains(cp932Lines(QStringLiteral("Root\t新人\tnew@ex.jp\t\n"))));
        QCOMPARE(columnTexts(test::addressList(*m_window)->model()), (QStringList{"山田", "新人"}));
    }

    void closeAsksAndNoKeepsTheFile()
    {
        QMainWindow* manager = openManager();
        const QByteArray before = readBytes(bookPath());
        selectListRow(manager, QStringLiteral("山田"));
        m_prompts->answerNext(platform::Answer::Yes);
        QTest::keyClick(list(manager), Qt::Key_Delete);
        QCOMPARE(columnTexts(list(manager)->model()), QStringList{"仕事"});
        m_prompts->answerNext(platform::Answer::No);
        QVERIFY(manager->close());
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("変更点を保存しますか？"));
        QCOMPARE(readBytes(bookPath()), before);
    }

    void closingTheProgramAsksTheManagerFirst()
    {
        QMainWindow* manager = openManager();
        selectListRow(manager, QStringLiteral("山田"));
        m_prompts->answerNext(platform::Answer::Yes);
        QTest::keyClick(list(manager), Qt::Key_Delete);
        m_prompts->answerNext(platform::Answer::Yes);
        QVERIFY(m_window->close());
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("変更点を保存しますか？"));
        QVERIFY(!readBytes(bookPath()).contains(cp932Lines(QStringLiteral("山田"))));
    }

    void folderRenameAndDrop()
    {
        QMainWindow* manager = openManager();
        QTreeView* folders = tree(manager);
        folders->expandAll();
        const QModelIndex work = folders->model()->match(folders->model()->index(0, 0), Qt::DisplayRole,
                                                         QStringLiteral("仕事"), 1, Qt::MatchRecursive).value(0);
        QVERIFY(work.isValid());
        folders->setCurrentIndex(work);
        QCOMPARE(columnTexts(list(manager)->model()), (QStringList{"取引先", "佐藤"}));
        QTest::keyClick(folders, Qt::Key_F2);
        auto* editor = folders->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("会社"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(folders->currentIndex().data().toString(), QStringLiteral("会社"));
        QVERIFY(folders->isExpanded(folders->currentIndex()));

        // 佐藤 dragged from the list onto the root folder.
        selectListRow(manager, QStringLiteral("佐藤"));
        QTreeView* rows = list(manager);
        std::unique_ptr<QMimeData> drag(rows->model()->mimeData(rows->selectionModel()->selectedRows()));
        const QModelIndex root = folders->model()->index(0, 0);
        QVERIFY(folders->model()->canDropMimeData(drag.get(), Qt::MoveAction, -1, -1, root));
        folders->model()->dropMimeData(drag.get(), Qt::MoveAction, -1, -1, root);
        QCOMPARE(columnTexts(rows->model()), QStringList{"取引先"});
        manager->close();
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("変更点を保存しますか？"));
    }

    void newFolderStartsItsLabelEdit()
    {
        QMainWindow* manager = openManager();
        actionNamed(manager, QStringLiteral("mnuSAddFolder"))->trigger();
        QTreeView* folders = tree(manager);
        QCOMPARE(folders->currentIndex().data().toString(), QStringLiteral("新規フォルダ1"));
        auto* editor = folders->findChild<QLineEdit*>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("新規フォルダ1"));
    }

    void mailToGoesToTheComposeWindow()
    {
        QMainWindow* manager = openManager();
        selectListRow(manager, QStringLiteral("山田"));
        QAction* to = actionNamed(manager, QStringLiteral("mnuSTo0"));
        QVERIFY(to->isEnabled());
        to->trigger();
        QVERIFY(m_prompts->messages.isEmpty());
        QMainWindow* compose = m_window->findChild<QMainWindow*>(QStringLiteral("frmSend"));
        QVERIFY(compose && compose->isVisible());
        QCOMPARE(compose->findChild<QComboBox*>(QStringLiteral("cmbTo"))->currentText(), QStringLiteral("y@ex.jp"));
    }

    void importWizard()
    {
        const QString csv = m_data->paths().programDir + QStringLiteral("oe.csv");
        writeBytes(csv, QStringLiteral("表示名,電子メール アドレス,メモ\r\nbeta,b@x,\r\nalpha,a@x,\r\ngamma,g@x,\r\n").toUtf8());
        QMainWindow* manager = openManager();
        whenDialogOpens([this, csv](QDialog* wizard) {
            QCOMPARE(wizard->windowTitle(), QStringLiteral("インポート"));
            auto* next = wizard->findChild<QPushButton*>(QStringLiteral("cmdNext"));
            auto* complete = wizard->findChild<QPushButton*>(QStringLiteral("cmdComp"));
            QVERIFY(!complete->isVisible());
            next->click();
            QCOMPARE(m_prompts->messages.last().text, QStringLiteral("パスを入力してください"));
            wizard->findChild<QLineEdit*>(QStringLiteral("txtAdPath"))->setText(csv + QStringLiteral(".missing"));
            next->click();
            QCOMPARE(m_prompts->messages.last().title, QStringLiteral("パス不明"));
            wizard->findChild<QLineEdit*>(QStringLiteral("txtAdPath"))->setText(csv);
            next->click();
            QVERIFY(complete->isVisible());
            QVERIFY(!next->isEnabled());
            auto* preview = wizard->findChild<QTreeView*>(QStringLiteral("lstAddMain"));
            QCOMPARE(columnTexts(preview->model()), (QStringList{"beta", "alpha", "gamma"}));
            const QPoint nameHeader(preview->header()->sectionPosition(0) + 5, 5);
            QTest::mouseClick(preview->header()->viewport(), Qt::LeftButton, {}, nameHeader);
            QCOMPARE(columnTexts(preview->model()), (QStringList{"alpha", "beta", "gamma"}));
            QTest::mouseClick(preview->header()->viewport(), Qt::LeftButton, {}, nameHeader);
            QCOMPARE(columnTexts(preview->model()), (QStringList{"gamma", "beta", "alpha"}));
            preview->selectionModel()->select(preview->model()->index(1, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
            QTest::keyClick(preview, Qt::Key_Delete);
            QVERIFY(preview->model()->setData(preview->model()->index(0, 0), QStringLiteral("ガンマ")));
            complete->click();
        });
        actionNamed(manager, QStringLiteral("mnuIm"))->trigger();
        QCOMPARE(columnTexts(list(manager)->model()), (QStringList{"仕事", "山田", "ガンマ", "alpha"}));
        QCOMPARE(m_prompts->messages.size(), 2);
    }

    void splitterIsKeptAsSplitter3()
    {
        QMainWindow* manager = openManager();
        auto* splitter = manager->findChild<QSplitter*>(QStringLiteral("imgSpl"));
        QSplitterHandle* handle = splitter->handle(1);
        const QPoint start = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, start);
        QTest::mouseMove(handle, start + QPoint(60, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, start + QPoint(60, 0));
        const int moved = splitter->sizes().first();
        QVERIFY(moved > 100);
        const int dpi = manager->logicalDpiX();
        manager->close();
        m_window->close();
        const QString kept = storage::IniGetString(QStringLiteral("Window"), QStringLiteral("Splitter3"), 20,
                                                   m_data->registryFile());
        QVERIFY2(kept != QStringLiteral("2000"), qPrintable(kept));
        QVERIFY(qAbs(kept.toInt() - moved * 1440 / dpi) < 40);
    }
};

QTEST_MAIN(TestAddressWindows)
#include "test_address_windows.moc"
