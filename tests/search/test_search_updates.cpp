// The search index kept up to date in the background: built with progress, told of what the
// folder commands, the listing, receiving and the compose window change.
#include "MailServers.h"
#include "compose/core/ComposeController.h"
#include "search/MailCatalog.h"
#include "search/SearchDatabase.h"
#include "search/SearchQuery.h"
#include "search/SearchService.h"
#include "storage/DataDirectory.h"
#include "storage/FolderTree.h"
#include "storage/MailFolderView.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"
#include "transfer/MailFileReader.h"
#include "transfer/OperationGuard.h"
#include "transfer/Receiving.h"
#include "transfer/SendTestSupport.h"
#include "transfer/ReceiveFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace fumibako;
using namespace fumibako::search;
using storage::FixedFolder::Standard;
using storage::FixedFolder::Trash;

namespace {

const QStringList kSamples = {QStringLiteral("iso2022jp_nec.eml"), QStringLiteral("eucjp.eml"),
                              QStringLiteral("html_only.eml"), QStringLiteral("utf8_base64.eml")};

} // namespace

class TestSearchUpdates : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    storage::AccountPaths m_paths;
    storage::FolderTree m_tree;
    test::RecordingPrompts m_prompts;
    transfer::MailFileReader m_reader;
    std::unique_ptr<storage::MailFolderView> m_view;
    std::unique_ptr<SearchService> m_service;

    QString indexFile() const { return m_dir->path() + QStringLiteral("/cache/taro.db"); }

    // "folder/file" of each message that the index finds, once the writer is done.
    QStringList found(const QString& typed)
    {
        m_service->waitUntilIdle();
        QStringList places;
        const SearchResults hits = m_service->search(SearchQuery::parse(typed)).value_or(SearchResults());
        for (qsizetype i = 0; i < hits.size(); ++i)
            places.append(hits.at(i).folder.toString() + QLatin1Char('/') + hits.at(i).fileName().toString());
        return places;
    }

    void build()
    {
        QSignalSpy updated(m_service.get(), &SearchService::updated);
        m_service->setAccount(indexFile(), m_paths, receivedFolderKeys(m_tree));
        QVERIFY(updated.wait(20000));
    }

    int rowOf(const char* name) const { return m_view->rows().rowOfKey(QString::fromLatin1(name)); }

private Q_SLOTS:
    // The samples in the received mail folder, filed into "標準BOX" by a listing of "受信BOX".
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_paths = storage::AccountPaths::make(m_dir->path() + QLatin1Char('/'), QStringLiteral("taro"));
        storage::prepareAccountDirs(m_dir->path() + QLatin1Char('/'), QStringLiteral("taro"));
        for (const QString& sample : kSamples)
            QVERIFY(QFile::copy(QStringLiteral(MAIL_SAMPLES "/") + sample, m_paths.inputDir + sample));
        m_view = std::make_unique<storage::MailFolderView>(m_tree, m_prompts, m_reader);
        m_view->setAccount(m_paths, QString());
        m_view->SelectFolder(storage::FixedFolder::Inbox);
        m_service = std::make_unique<SearchService>();
        m_view->setChangeListener(m_service.get());
    }

    void buildsInTheBackgroundWithProgress()
    {
        QSignalSpy progress(m_service.get(), &SearchService::progress);
        QSignalSpy updated(m_service.get(), &SearchService::updated);
        m_service->setAccount(indexFile(), m_paths, receivedFolderKeys(m_tree));
        QVERIFY(updated.wait(20000));
        const UpdateReport report = updated.first().first().value<UpdateReport>();
        QVERIFY(report.completed);
        QCOMPARE(report.indexed, 4);
        QCOMPARE(progress.last(), QList<QVariant>({4, 4}));
        QCOMPARE(buildingIndexText(1, 4), QStringLiteral("検索用の索引を作成中 (1/4)"));
        QCOMPARE(found(QStringLiteral("髙橋")), QStringList{QStringLiteral("標準BOX/iso2022jp_nec.eml")});
    }

    void folderCommandsTellTheIndex()
    {
        build();
        m_view->SelectFolder(Standard);
        m_view->moveToTrash({rowOf("iso2022jp_nec.eml")});
        m_view->dropOnFolder(Trash, {rowOf("html_only.eml")});
        QCOMPARE(found(QStringLiteral("髙橋")), QStringList{QStringLiteral("ごみ箱/iso2022jp_nec.eml")});
        QCOMPARE(found(QStringLiteral("二行目")), QStringList{QStringLiteral("ごみ箱/html_only.eml")});

        m_view->SelectFolder(Trash);
        m_prompts.answerNext(platform::Answer::Yes);
        QVERIFY(m_view->deletePermanently({rowOf("iso2022jp_nec.eml")}));
        QCOMPARE(found(QStringLiteral("髙橋")), QStringList());

        // A file that vanished leaves with the listing; one dropped in is filed by it.
        QVERIFY(QFile::remove(m_paths.inputDir + QStringLiteral("eucjp.eml")));
        QVERIFY(QFile::copy(QStringLiteral(MAIL_SAMPLES "/sjis_qp.eml"), m_paths.inputDir + QStringLiteral("new.eml")));
        m_view->SelectFolder(storage::FixedFolder::Inbox);
        QCOMPARE(found(QStringLiteral("ご案内")), QStringList());
        QCOMPARE(found(QStringLiteral("データ")), QStringList{QStringLiteral("標準BOX/new.eml")});
    }

    void storedDraftsTellTheIndex()
    {
        build();
        test::SendAccount account(0);
        account.paths = m_paths;
        transfer::OperationGuard guard(m_prompts);
        const storage::AccountEnvironment environment;
        compose::ComposeServices services{m_paths, environment, account.histories, m_prompts, guard,
                                          [&] { return account.context; }};
        services.changes = m_service.get();
        compose::ComposeController controller(services);
        compose::ComposeContent content;
        content.subject = QStringLiteral("見積の件");
        content.body = QStringLiteral("最初の文面");
        QCOMPARE(controller.store(compose::ComposeController::StoreTarget::Drafts, content),
                 compose::ComposeController::Outcome::Close);
        QCOMPARE(found(QStringLiteral("最初の文面")), QStringList{QStringLiteral("下書き/") + controller.mailName()});
        content.body = QStringLiteral("直した文面");
        QCOMPARE(controller.overwrite(content), compose::ComposeController::Outcome::Close);
        QCOMPARE(found(QStringLiteral("最初の文面")), QStringList());
        QCOMPARE(found(QStringLiteral("直した文面")), QStringList{QStringLiteral("下書き/") + controller.mailName()});
    }

    void receivedMailTellsTheIndex()
    {
        test::MailServers servers;
        QString error;
        if (!servers.start(test::MailServers::Pop3, &error))
            QSKIP(qPrintable(error));
        servers.useInThisProcess(3);
        QVERIFY(servers.seedMailbox(QStringLiteral("taro"), test::MailServers::seedMessages()));
        build();
        test::ReceiveFixture receive(servers.pop3Port());
        receive.account.paths = m_paths;
        receive.setAccount();
        receive.receiver.setChangeListener(m_service.get());
        QVERIFY(transfer::startReceiveAndWait(receive.receiver, storage::ReceiveMethod::ReceiveAll));
        const QStringList hits = found(QStringLiteral("山田です"));
        QCOMPARE(hits.size(), 1);
        QVERIFY(hits.first().startsWith(QStringLiteral("標準BOX/")));
        servers.stop();
    }

    void indexDeletedWhileRunningIsBuiltAgain()
    {
        build();
        m_service->waitUntilIdle();
        SearchDatabase::remove(indexFile());
        QVERIFY(!m_service->search(SearchQuery::parse(QStringLiteral("髙橋"))).has_value());
        QCOMPARE(found(QStringLiteral("髙橋")), QStringList{QStringLiteral("標準BOX/iso2022jp_nec.eml")});
    }

    void indexDamagedMeanwhileIsBuiltAgain()
    {
        build();
        m_service = std::make_unique<SearchService>(); // the program ends
        test::writeBytes(indexFile(), test::readBytes(indexFile()).left(4096) + QByteArray(60000, '\x5a'));
        m_service = std::make_unique<SearchService>();
        m_view->setChangeListener(m_service.get());
        build();
        QCOMPARE(found(QStringLiteral("髙橋")), QStringList{QStringLiteral("標準BOX/iso2022jp_nec.eml")});
    }
};

QTEST_GUILESS_MAIN(TestSearchUpdates)
#include "test_search_updates.moc"
