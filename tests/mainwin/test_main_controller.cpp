// The main window's controller without a window or a display, over a real data directory.
#include "MainWindowFixture.h"

#include "compose/core/ComposeLauncher.h"
#include "mainwin/core/MailTableModel.h"
#include "mainwin/core/MainController.h"
#include "mainwin/core/MainPanes.h"
#include "storage/FolderTree.h"
#include "support/RecordingPrompts.h"
#include "transfer/OutgoingMailFile.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace fumibako;
using namespace fumibako::mainwin;
using fumibako::test::MainWindowData;

namespace {

class NoDialogs : public ReceivingDialogs {
public:
    std::optional<transfer::PasswordAnswer> askPassword() override { return std::nullopt; }
    void showProgress(const transfer::ProgressFigures&) override {}
    void updateProgress(const transfer::ProgressFigures&) override {}
    void closeProgress() override {}
    void setClipboardText(const QString&) override {}
    void playNewMailSound(const QString&) override {}
};

/** Stands for the compose window: records how it was asked to open. */
class RecordingComposer : public compose::ComposeLauncher {
public:
    void OpenCompose(compose::ComposeMode mode, const QString&, const QString& name, const QString&,
                     const compose::ComposeFields&) override
    {
        opened.append({int(mode), name});
    }
    void showWithFields(const compose::ComposeFields&) override {}
    void addMailtoAddresses(const storage::MailtoAddresses&) override {}

    QList<QPair<int, QString>> opened;
};

} // namespace

class TestMainController : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    test::RecordingPrompts m_prompts;
    NoDialogs m_dialogs;
    RecordingComposer m_composer;
    std::unique_ptr<MainController> m_controller;

    int rowOfKey(const QString& key) const
    {
        const storage::MailList& rows = m_controller->folderView().rows();
        for (int row = 0; row < rows.size(); ++row) {
            if (rows.at(row).key() == key)
                return row;
        }
        return -1;
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        m_composer.opened.clear();
        m_controller = std::make_unique<MainController>(m_data->paths(), m_prompts, m_dialogs);
        m_controller->setComposeLauncher([this]() -> compose::ComposeLauncher& { return m_composer; });
        QCOMPARE(m_controller->session().loadAccountList().value(0), QStringLiteral("taro"));
        QVERIFY(m_controller->switchAccount(QStringLiteral("taro")));
    }
    void cleanup()
    {
        m_controller.reset();
        m_data.reset();
    }

    // Received mail goes to the read window, marked read; outgoing mail to the compose window.
    void openMessage_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("composeMode"); // 0: the read window
        QTest::addColumn<QString>("composeName"); // the file overwriting writes back to
        QTest::addColumn<QString>("indexLine");
        const QString standard = QStringLiteral("標準BOX");
        QTest::newRow("unread") << standard << QStringLiteral("m1.eml") << 0 << QString()
                                << QStringLiteral("m1.eml=000\t");
        QTest::newRow("unread, attachment") << standard << QStringLiteral("m3.eml") << 0 << QString()
                                            << QStringLiteral("m3.eml=001\t");
        QTest::newRow("read") << standard << QStringLiteral("m2.eml") << 0 << QString() << QStringLiteral("m2.eml=000\t");
        QTest::newRow("unread view") << QStringLiteral("未読メール") << QStringLiteral("m1.eml") << 0 << QString()
                                     << QStringLiteral("m1.eml=000\t");
        const QString draft = QStringLiteral("20240101-101010.txt");
        QTest::newRow("draft") << QStringLiteral("下書き") << draft << int(compose::ComposeMode::EditStored) << draft
                               << QString();
        QTest::newRow("sent: a copy") << QStringLiteral("送信済BOX") << QStringLiteral("20240103-101010.txt")
                                      << int(compose::ComposeMode::CopyOfSent) << QString() << QString();
    }
    void openMessage()
    {
        QFETCH(QString, folder);
        QFETCH(QString, key);
        QFETCH(int, composeMode);
        QFETCH(QString, composeName);
        QFETCH(QString, indexLine);
        QSignalSpy shown(m_controller.get(), &MainController::folderShown);
        QVERIFY(m_controller->showFolder(folder));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.first().first().toInt(), m_controller->session().folderTree().indexOfKey(folder));
        if (composeMode != 0) {
            transfer::CurrentMail mail;
            mail.to = QStringLiteral("a@example.jp");
            mail.subject = QStringLiteral("件名");
            mail.body = QStringLiteral("本文");
            mail.mailPath = m_controller->folderView().currentMailDir();
            mail.mailName = key;
            QVERIFY(transfer::WriteOutgoingFile(mail));
        }
        QSignalSpy read(m_controller.get(), &MainController::readMessageRequested);
        m_controller->openMessage(rowOfKey(key));

        if (composeMode == 0) {
            QCOMPARE(read.count(), 1);
            QCOMPARE(read.first().at(0).toString(), m_controller->folderView().currentMailDir());
            QCOMPARE(read.first().at(1).toString(), key);
            QVERIFY(m_composer.opened.isEmpty());
            const QStringList lines = MainWindowData::section(m_data->receivedIndex(), QStringLiteral("標準BOX"));
            const auto written = [&](const QString& line) { return line.startsWith(indexLine); };
            QVERIFY2(std::any_of(lines.cbegin(), lines.cend(), written), qPrintable(lines.join(QLatin1Char('|'))));
            QCOMPARE(m_controller->mailModel()->index(rowOfKey(key), kUnreadColumn).data().toString(), QString());
        } else {
            QCOMPARE(read.count(), 0);
            QCOMPARE(m_composer.opened, (QList<QPair<int, QString>>{{composeMode, composeName}}));
        }
        QVERIFY(m_prompts.messages.isEmpty());
    }

    // The quick filter stays while the shown folder is listed again, and ends when another
    // folder, or the results of a new search, are listed.
    void filterFollowsTheListing_data()
    {
        QTest::addColumn<QString>("then"); // the folder listed next, or "search"
        QTest::addColumn<int>("listing");
        QTest::newRow("the same folder again") << QStringLiteral("標準BOX") << int(MainController::Listing::Again);
        QTest::newRow("another folder") << QStringLiteral("未読メール") << int(MainController::Listing::Another);
        QTest::newRow("new search results") << QStringLiteral("search") << int(MainController::Listing::NewResults);
    }
    void filterFollowsTheListing()
    {
        QFETCH(QString, then);
        QFETCH(int, listing);
        QVERIFY(m_controller->showFolder(QStringLiteral("標準BOX")));
        MailTableModel* model = m_controller->mailModel();
        model->setFilterText(QStringLiteral("zzz"));
        QVERIFY(model->filter().isActive());
        QSignalSpy showing(m_controller.get(), &MainController::folderShowing);
        if (then == QLatin1String("search"))
            m_controller->showSearchResults({{QStringLiteral("標準BOX"), QStringLiteral("m1.eml")}});
        else
            QVERIFY(m_controller->showFolder(then));
        QCOMPARE(showing.count(), 1);
        QCOMPARE(int(showing.first().at(1).value<MainController::Listing>()), listing);
        QCOMPARE(model->filter().isActive(), listing == int(MainController::Listing::Again));
        QCOMPARE(model->rowCount(), model->filter().isActive() ? 0 : m_controller->folderView().rows().size());
    }

    void openMessageIgnoresRowsOutsideTheList()
    {
        QVERIFY(m_controller->showFolder(QStringLiteral("標準BOX")));
        QSignalSpy read(m_controller.get(), &MainController::readMessageRequested);
        for (const int row : {-1, 3})
            m_controller->openMessage(row);
        QCOMPARE(read.count(), 0);
        QVERIFY(!m_controller->showFolder(QStringLiteral("受信BOX\\無い")));
    }
};

QTEST_GUILESS_MAIN(TestMainController)
#include "test_main_controller.moc"
