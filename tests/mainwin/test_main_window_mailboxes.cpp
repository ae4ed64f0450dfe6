// The main window's import and export of mailbox files, offscreen: "メールのインポート…" with its
// progress and report, the guard it holds, files dropped on the tree, "エクスポート…" on a folder.
#include "MainWindowFixture.h"

#include "mailimport/ExportDialog.h"
#include "mailimport/ImportDialog.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/FolderTreeModel.h"
#include "search/SearchQuery.h"
#include "search/SearchService.h"
#include "storage/MailFolderView.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QUrl>

using namespace fumibako;
using namespace fumibako::mainwin;
using fumibako::test::MainWindowData;
using fumibako::test::RecordingPrompts;

namespace {

QString sample(const QString& name)
{
    return QStringLiteral(MAILIMPORT_SAMPLES "/") + name;
}

} // namespace

class TestMainWindowMailboxes : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<RecordingPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_window;

    QAction* action(const QString& name) const { return m_window->findChild<QAction*>(name); }
    template<typename Dialog>
    Dialog* dialog(const QString& name) const
    {
        Dialog* found = m_window->findChild<Dialog*>(name);
        return found && found->isVisible() ? found : nullptr;
    }
    bool pageShown(QDialog* dialog, const QString& page) const
    {
        return dialog->findChild<QStackedWidget*>()->currentWidget()->objectName() == page;
    }
    QString reportOf(QDialog* dialog, const QString& name) const
    {
        return dialog->findChild<QPlainTextEdit*>(name)->toPlainText();
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        m_prompts = std::make_unique<RecordingPrompts>();
        openMainWindow(m_data->paths(), m_prompts.get(), m_window);
    }
    void cleanup() { m_window.reset(); }

    // The file menu's import into a folder of the tree: the folders come, the messages are
    // listed, searchable, and the operation guard is held while it runs.
    void importFromTheFileMenu()
    {
        test::selectFolder(*m_window, QStringLiteral("標準BOX"));
        action(QStringLiteral("mnuMailImport"))->trigger();
        auto* window = dialog<mailimport::ImportDialog>(QStringLiteral("frmMailImport"));
        QVERIFY(window);
        QCOMPARE(window->findChild<QComboBox*>(QStringLiteral("cmbImportTarget"))->currentText(), QStringLiteral("標準BOX"));
        auto* start = window->findChild<QPushButton*>(QStringLiteral("cmdImport"));
        QVERIFY(!start->isEnabled()); // nothing chosen yet
        window->addSources({sample(QStringLiteral("thunderbird"))});
        QVERIFY(start->isEnabled());
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(pageShown(window, QStringLiteral("pgImportProgress")));
        QVERIFY(!m_window->controller().receive()); // the guard is held: no receive meanwhile
        QCOMPARE(m_prompts->messages.last().text, QStringLiteral("現在メールのインポート中のため、この操作は中止します"));
        QVERIFY(QTest::qWaitFor([&] { return pageShown(window, QStringLiteral("pgImportReport")); }, 20000));
        QVERIFY2(reportOf(window, QStringLiteral("txtImportReport")).startsWith(QStringLiteral("インポートしたメール: 5 通\n")),
                 qPrintable(reportOf(window, QStringLiteral("txtImportReport"))));
        QCOMPARE(m_window->controller().guard().CurrentOperation(), transfer::Operation::Idle);
        const FolderTreeModel* tree = test::folderTreeModel(*m_window);
        const int inbox = m_window->controller().session().folderTree().indexOfKey(QStringLiteral("受信BOX\\Inbox\\仕事"));
        QVERIFY(inbox > 0);
        QVERIFY(tree->indexOfNode(inbox).isValid());
        test::selectFolder(*m_window, QStringLiteral("受信BOX\\Inbox"));
        QCOMPARE(m_window->controller().folderView().rows().size(), 3);
        search::SearchService& index = m_window->controller().search();
        index.waitUntilIdle();
        const std::optional<search::SearchResults> hits = index.search(search::SearchQuery::parse(QStringLiteral("仕事のメール")));
        QVERIFY(hits);
        QCOMPARE(hits->size(), 1);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdImportDone")), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !dialog<mailimport::ImportDialog>(QStringLiteral("frmMailImport")); }));
    }

    // Cancelled before it read anything: nothing comes in, and the guard is free again.
    void cancelledImport()
    {
        action(QStringLiteral("mnuMailImport"))->trigger();
        auto* window = dialog<mailimport::ImportDialog>(QStringLiteral("frmMailImport"));
        QVERIFY(window);
        window->startWith({sample(QStringLiteral("mboxrd.mbox"))});
        QTest::keyClick(window, Qt::Key_Escape); // closing the window while it runs asks it to stop
        QVERIFY(window->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return pageShown(window, QStringLiteral("pgImportReport")); }, 20000));
        QVERIFY(reportOf(window, QStringLiteral("txtImportReport")).startsWith(QStringLiteral("インポートは途中で中止しました。\nインポートしたメール: 0 通")));
        QCOMPARE(m_window->controller().guard().CurrentOperation(), transfer::Operation::Idle);
    }

    // Files dropped from a file manager onto a folder are imported into it.
    void filesDroppedOnTheTree()
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(sample(QStringLiteral("files/crlf.eml"))),
                      QUrl::fromLocalFile(sample(QStringLiteral("mh/10")))});
        FolderTreeModel* tree = test::folderTreeModel(*m_window);
        const QModelIndex trash = tree->indexOfNode(storage::kTrashNode);
        QVERIFY(tree->canDropMimeData(&data, Qt::CopyAction, -1, 0, trash));
        tree->dropMimeData(&data, Qt::CopyAction, -1, 0, trash);
        auto* window = dialog<mailimport::ImportDialog>(QStringLiteral("frmMailImport"));
        QVERIFY(window);
        QVERIFY(QTest::qWaitFor([&] { return pageShown(window, QStringLiteral("pgImportReport")); }, 20000));
        QVERIFY(reportOf(window, QStringLiteral("txtImportReport")).startsWith(QStringLiteral("インポートしたメール: 2 通")));
        test::selectFolder(*m_window, QStringLiteral("ごみ箱"));
        QCOMPARE(m_window->controller().folderView().rows().size(), 3); // the one it held, and the two
    }

    // "エクスポート…" on a folder writes its messages into an mbox file.
    void exportFromTheTree()
    {
        test::selectFolder(*m_window, QStringLiteral("標準BOX"));
        action(QStringLiteral("mnuSExportFolder"))->trigger();
        auto* window = dialog<mailimport::ExportDialog>(QStringLiteral("frmMailExport"));
        QVERIFY(window);
        const QString target = m_data->paths().programDir + QStringLiteral("../exported.mbox");
        window->findChild<QLineEdit*>(QStringLiteral("txtExportTarget"))->setText(target);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdExport")), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return pageShown(window, QStringLiteral("pgExportReport")); }, 20000));
        QVERIFY2(reportOf(window, QStringLiteral("txtExportReport")).contains(QStringLiteral("に 3 通のメールを書き出しました。")),
                 qPrintable(reportOf(window, QStringLiteral("txtExportReport"))));
        QCOMPARE(test::readBytes(target).count("\nFrom "), 2); // three messages, each after its "From " line
        QFile::remove(target);
    }
};

QTEST_MAIN(TestMainWindowMailboxes)
#include "test_main_window_mailboxes.moc"
