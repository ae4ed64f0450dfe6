// The main window's rules and models, without any widget.
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MailTableModel.h"
#include "mainwin/core/MainTimers.h"
#include "mainwin/core/MainWindowRules.h"
#include "storage/FolderTree.h"
#include "storage/MailFolderView.h"
#include "storage/StoredMailReader.h"
#include "storage/WindowGeometry.h"
#include "support/RecordingPrompts.h"

#include <QItemSelectionModel>
#include <QMimeData>
#include <algorithm>
#include <QSignalSpy>
#include <QTest>

using namespace fumibako::mainwin;
using namespace fumibako::storage;
using fumibako::test::RecordingPrompts;

namespace {

class NoReader : public StoredMailReader {
public:
    std::optional<StoredMailSummary> readReceived(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<StoredMailSummary> readOutgoing(const QString&, const QString&) override { return {}; }
};

} // namespace

class TestMainwinModels : public QObject {
    Q_OBJECT

    FolderTree m_tree;
    RecordingPrompts m_prompts;
    NoReader m_reader;

    // Rows "k0".."k3" with the given subjects and dates, in that order.
    void fill(MailFolderView& folder, const QStringList& subjects, const QStringList& dates)
    {
        folder.rows().clear();
        for (int i = 0; i < subjects.size(); ++i) {
            MailRow row(QStringLiteral("k%1").arg(i), QStringLiteral("from%1").arg(i), subjects.at(i), dates.at(i));
            row.unread = i % 2 == 1;
            folder.rows().append(row);
        }
    }

    QStringList column(const MailTableModel& model, int column)
    {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts.append(model.index(row, column).data().toString());
        return texts;
    }

private Q_SLOTS:
    void columnClickRule_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("order");
        QTest::newRow("none keeps the settings") << QList<int>{} << 5 << 1;
        QTest::newRow("same column flips") << QList<int>{5} << 5 << 0;
        QTest::newRow("same column twice flips back") << QList<int>{5, 5} << 5 << 1;
        QTest::newRow("other column sorts descending") << QList<int>{4} << 4 << 1;
        QTest::newRow("other after ascending is descending") << QList<int>{5, 3} << 3 << 1;
        QTest::newRow("other then same") << QList<int>{4, 4} << 4 << 0;
    }
    void columnClickRule()
    {
        QFETCH(QList<int>, clicks);
        ListSortState state;
        for (int column : clicks)
            state.columnClicked(column);
        QTEST(state.key, "key");
        QTEST(state.order, "order");
        QCOMPARE(state.changed, !clicks.isEmpty());
    }

    void modelSortsItsRowsByColumnText()
    {
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, {QStringLiteral("b"), QStringLiteral("C"), QStringLiteral("a"), QStringLiteral("会議")},
             {QStringLiteral("2024/01/02 10:00:00"), QStringLiteral("2023/12/31 23:59:59"),
              QStringLiteral("2024/01/10 08:00:00"), QStringLiteral("2024/01/02 09:00:00")});
        MailTableModel model(folder);
        model.reload(); // the built-in key: date, descending
        QCOMPARE(column(model, kDateColumn).first(), QStringLiteral("2024/01/10 08:00:00"));
        QCOMPARE(column(model, kDateColumn).last(), QStringLiteral("2023/12/31 23:59:59"));

        model.columnClicked(kSubjectColumn); // another column: descending
        QCOMPARE(column(model, kSubjectColumn),
                 (QStringList{QStringLiteral("会議"), QStringLiteral("C"), QStringLiteral("b"), QStringLiteral("a")}));
        model.columnClicked(kSubjectColumn); // the same again: ascending
        QCOMPARE(column(model, kSubjectColumn),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("C"), QStringLiteral("会議")}));
        QVERIFY(model.sortState().changed);

        // Row numbers of the model are row numbers of the folder's commands.
        QCOMPARE(folder.rows().at(0).subject(), QStringLiteral("a"));
        QCOMPARE(folder.rows().rowOfKey(u"k2"), 0);
    }

    void textSortOrdersAsCaseInsensitiveCompare()
    {
        // Mixed case, full-width letters, prefixes and non-ASCII after a common prefix.
        const QStringList subjects{QStringLiteral("abc"), QStringLiteral("ABD"), QStringLiteral("ab"), QStringLiteral("Ｂ"),
                                   QStringLiteral("ｂ"), QStringLiteral("Re: 会議"), QStringLiteral("re: 会"),
                                   QStringLiteral("RE: Ä"), QStringLiteral("re: ä1"), QStringLiteral("_x"),
                                   QStringLiteral("[x"), QStringLiteral("Zeta"), QString()};
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, subjects, QStringList(subjects.size(), QStringLiteral("2024/01/01 00:00:00")));
        MailTableModel model(folder);
        model.setSortState(kSubjectColumn, 0);
        model.reload();
        QStringList expected = subjects;
        std::stable_sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        QCOMPARE(column(model, kSubjectColumn), expected);
    }

    void dateSortOrdersAsTextCompare_data()
    {
        QTest::addColumn<int>("order");
        QTest::newRow("ascending") << 0;
        QTest::newRow("descending") << 1;
    }
    void dateSortOrdersAsTextCompare()
    {
        // Dates of the usual form sort by number; any other text among them must land where a
        // text comparison puts it, and equal dates keep their order.
        QFETCH(int, order);
        const QStringList dates{QStringLiteral("2024/01/02 10:00:00"), QStringLiteral("2024/1/2 9:00"),
                                QStringLiteral("2023/12/31 23:59:59"), QString(), QStringLiteral("2024/01/02 10:00:00"),
                                QStringLiteral("Mon, 1 Jan 2024"), QStringLiteral("2024/01/02 10:00:0x"),
                                QStringLiteral("2024/01/02 10:00:00 "), QStringLiteral("２０２４/01/02 10:00:00"),
                                QStringLiteral("2024-01-02 10:00:00"), QStringLiteral("2024/01/02 09:59:59")};
        QStringList ids;
        for (int i = 0; i < dates.size(); ++i)
            ids.append(QString::number(i));
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, ids, dates);
        MailTableModel model(folder);
        model.setSortState(kDateColumn, order);
        model.reload();
        QStringList expected = ids;
        std::stable_sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
            const int c = dates.at(a.toInt()).compare(dates.at(b.toInt()), Qt::CaseInsensitive);
            return order == 1 ? c > 0 : c < 0;
        });
        QCOMPARE(column(model, kSubjectColumn), expected);
    }

    // Enough rows, dates over years and many equal ones, for the sort by number in several passes.
    void manyDatesSortAsTextCompare()
    {
        QFETCH(int, order);
        QStringList dates;
        QStringList ids;
        for (int i = 0; i < 3000; ++i) {
            const int k = (i * 7919) % 1009;
            dates.append(QStringLiteral("20%1/%2/%3 %4:%5:00")
                             .arg(10 + k % 17)
                             .arg(1 + k % 12, 2, 10, QLatin1Char('0'))
                             .arg(1 + k % 28, 2, 10, QLatin1Char('0'))
                             .arg(k % 24, 2, 10, QLatin1Char('0'))
                             .arg(k % 60, 2, 10, QLatin1Char('0')));
            ids.append(QString::number(i));
        }
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, ids, dates);
        MailTableModel model(folder);
        model.setSortState(kDateColumn, order);
        model.reload();
        QStringList expected = ids;
        std::stable_sort(expected.begin(), expected.end(), [&](const QString& a, const QString& b) {
            const int c = dates.at(a.toInt()).compare(dates.at(b.toInt()));
            return order == 1 ? c > 0 : c < 0;
        });
        QCOMPARE(column(model, kSubjectColumn), expected);
        QCOMPARE(folder.rows().rowOfKey(QStringLiteral("k%1").arg(expected.first())), 0);
    }
    void manyDatesSortAsTextCompare_data() { dateSortOrdersAsTextCompare_data(); }

    void flagColumnSortsMarkedFirstWhenDescending()
    {
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, {QStringLiteral("s0"), QStringLiteral("s1"), QStringLiteral("s2"), QStringLiteral("s3")},
             {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        MailTableModel model(folder);
        model.columnClicked(kUnreadColumn);
        QCOMPARE(column(model, kUnreadColumn),
                 (QStringList{QStringLiteral("未"), QStringLiteral("未"), QString(), QString()}));
        // Stable: equal marks keep their earlier order.
        QCOMPARE(column(model, kSubjectColumn).first(), QStringLiteral("s1"));
    }

    void sortKeepsPersistentSelection()
    {
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")},
             {QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")});
        MailTableModel model(folder);
        model.setSortState(kSubjectColumn, 0);
        model.reload();
        const QPersistentModelIndex y = model.index(1, kSubjectColumn);
        model.columnClicked(kSubjectColumn);
        QCOMPARE(y.data().toString(), QStringLiteral("y"));
        model.columnClicked(kDateColumn);
        QCOMPARE(y.data().toString(), QStringLiteral("y"));
    }

    // The quick filter: which rows the model shows, and that the shown rows are the folder's.
    void filterShowsMatchingRows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown"); // subjects
        QTest::addColumn<bool>("noted");
        const QStringList all{QStringLiteral("会議の件"), QStringLiteral("ＡＢＣ報告"), QStringLiteral("お知らせ"),
                              QStringLiteral("Meeting")};
        QTest::newRow("sender and subject") << QStringLiteral("山田　abc") << QStringList{QStringLiteral("ＡＢＣ報告")} << false;
        QTest::newRow("none") << QStringLiteral("見積") << QStringList() << true;
        QTest::newRow("too long") << QString(1001, QLatin1Char('a')) << all << true;
    }
    void filterShowsMatchingRows()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        QFETCH(bool, noted);
        MailFolderView folder(m_tree, m_prompts, m_reader);
        const QStringList senders{QStringLiteral("鈴木"), QStringLiteral("山田"), QStringLiteral("佐藤"), QStringLiteral("佐藤")};
        const QStringList subjects{QStringLiteral("会議の件"), QStringLiteral("ＡＢＣ報告"), QStringLiteral("お知らせ"),
                                   QStringLiteral("Meeting")};
        for (int i = 0; i < 4; ++i)
            folder.rows().append(MailRow(QStringLiteral("k%1").arg(i), senders.at(i), subjects.at(i), QStringLiteral("%1").arg(4 - i)));
        MailTableModel model(folder);
        model.reload();
        model.setFilterText(typed);
        QCOMPARE(column(model, kSubjectColumn), shown);
        QCOMPARE(!model.filter().note().isEmpty(), noted);
    }

    // Filtering and sorting while filtered keep the selection of the rows that stay shown, and
    // clearing shows every row in the order the sort gave them.
    void filterKeepsSelectionThroughSortAndClear()
    {
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, {QStringLiteral("a 会議"), QStringLiteral("b"), QStringLiteral("c 会議"), QStringLiteral("d 会議")},
             {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        MailTableModel model(folder);
        model.setSortState(kDateColumn, 1);
        model.reload(); // d c b a
        QItemSelectionModel selection(&model);
        const auto rowOf = [&](const char* key) { return folder.rows().rowOfKey(QString::fromLatin1(key)); };
        const auto selectedKeys = [&] {
            QStringList keys;
            for (const QModelIndex& index : selection.selectedRows())
                keys.append(folder.rows().at(model.folderRow(index.row())).keyString());
            keys.sort();
            return keys;
        };
        selection.select(model.selectionOf({rowOf("k1"), rowOf("k2")}), QItemSelectionModel::Select);
        selection.setCurrentIndex(model.index(model.modelRow(rowOf("k2")), 0), QItemSelectionModel::NoUpdate);
        model.setFilterText(QStringLiteral("会議")); // hides b (k1)
        QCOMPARE(column(model, kSubjectColumn), (QStringList{QStringLiteral("d 会議"), QStringLiteral("c 会議"),
                                                             QStringLiteral("a 会議")}));
        QCOMPARE(selectedKeys(), QStringList{QStringLiteral("k2")});
        QCOMPARE(model.folderRow(selection.currentIndex().row()), rowOf("k2"));
        selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows); // d (k3)

        model.sort(kSubjectColumn, Qt::AscendingOrder); // a b c d: the hidden row moves between shown ones
        QCOMPARE(column(model, kSubjectColumn), (QStringList{QStringLiteral("a 会議"), QStringLiteral("c 会議"),
                                                             QStringLiteral("d 会議")}));
        QCOMPARE(selectedKeys(), (QStringList{QStringLiteral("k2"), QStringLiteral("k3")}));
        std::unique_ptr<QMimeData> dragged(model.mimeData({model.index(2, 0)}));
        QCOMPARE(MailTableModel::rowsFromMimeData(dragged.get()), QList<int>{rowOf("k3")});

        model.setFilterText(QString());
        QCOMPARE(column(model, kSubjectColumn), (QStringList{QStringLiteral("a 会議"), QStringLiteral("b"),
                                                             QStringLiteral("c 会議"), QStringLiteral("d 会議")}));
        QCOMPARE(selectedKeys(), (QStringList{QStringLiteral("k2"), QStringLiteral("k3")}));
        QCOMPARE(selection.currentIndex().row(), rowOf("k2"));
    }

    // Which messages are chosen again when the filter ends: those chosen when it began, found
    // by key wherever a sort moved them, and only when nothing was chosen while filtering.
    void filterEndChoosesAgain_data()
    {
        QTest::addColumn<QStringList>("chosenBefore");
        QTest::addColumn<bool>("sortedAndNarrowed");
        QTest::addColumn<QStringList>("chosenWhileFiltered");
        QTest::addColumn<QStringList>("chosenAgain");
        const QStringList hiddenAndShown{QStringLiteral("k1"), QStringLiteral("k2")};
        QTest::newRow("nothing chosen meanwhile") << hiddenAndShown << false << QStringList() << hiddenAndShown;
        QTest::newRow("sorted and narrowed meanwhile") << hiddenAndShown << true << QStringList() << hiddenAndShown;
        QTest::newRow("another chosen meanwhile") << hiddenAndShown << false << QStringList{QStringLiteral("k3")} << QStringList();
        QTest::newRow("nothing chosen before") << QStringList() << false << QStringList() << QStringList();
    }
    void filterEndChoosesAgain()
    {
        QFETCH(QStringList, chosenBefore);
        QFETCH(bool, sortedAndNarrowed);
        QFETCH(QStringList, chosenWhileFiltered);
        QFETCH(QStringList, chosenAgain);
        MailFolderView folder(m_tree, m_prompts, m_reader);
        fill(folder, {QStringLiteral("a 会議"), QStringLiteral("b"), QStringLiteral("c 会議"), QStringLiteral("d 会議")},
             {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        MailTableModel model(folder);
        model.reload();
        const auto rowsOf = [&](const QStringList& keys) {
            QList<int> rows;
            for (const QString& key : keys)
                rows.append(folder.rows().rowOfKey(key));
            return rows;
        };
        QVERIFY(model.setFilterText(QStringLiteral("会議"), rowsOf(chosenBefore)).isEmpty());
        if (sortedAndNarrowed) {
            model.sort(kSubjectColumn, Qt::DescendingOrder);
            QVERIFY(model.setFilterText(QStringLiteral("会議 c"), rowsOf(chosenBefore)).isEmpty());
        }
        const QList<int> again = model.setFilterText(QString(), rowsOf(chosenWhileFiltered));
        QStringList keys;
        for (int row : again)
            keys.append(folder.rows().at(row).keyString());
        keys.sort();
        QCOMPARE(keys, chosenAgain);
        QVERIFY(model.setFilterText(QStringLiteral("会議")).isEmpty()); // forgotten once the filter ended
        QVERIFY(model.setFilterText(QString()).isEmpty());
    }

    void treeModelShowsSearchResultsAfterTheRoots()
    {
        FolderTree tree;
        FolderTreeModel model(tree);
        QVERIFY(!model.indexOfNode(FolderTreeModel::kSearchResultsNode).isValid());
        model.setSearchResultsShown(true);
        QCOMPARE(model.rowCount(), 5);
        const QModelIndex results = model.index(4, 0);
        QCOMPARE(results, model.indexOfNode(FolderTreeModel::kSearchResultsNode));
        QCOMPARE(FolderTreeModel::nodeOf(results), FolderTreeModel::kSearchResultsNode);
        QCOMPARE(results.data().toString(), QStringLiteral("検索結果"));
        QCOMPARE(model.keyOfNode(FolderTreeModel::kSearchResultsNode), kSearchResultsKey);
        QVERIFY(!model.parent(results).isValid());
        QCOMPARE(model.rowCount(results), 0);
        QVERIFY(!(model.flags(results) & (Qt::ItemIsEditable | Qt::ItemIsDropEnabled)));
        QMimeData data;
        data.setData(MailTableModel::kRowsMimeType, "0");
        QVERIFY(!model.canDropMimeData(&data, Qt::MoveAction, -1, -1, results));
        model.reload(); // a folder added: the results stay last
        QCOMPARE(model.index(4, 0), results);
        model.setSearchResultsShown(false);
        QCOMPARE(model.rowCount(), 4);
    }

    void senderCaptionAndDraggedRows()
    {
        MailFolderView folder(m_tree, m_prompts, m_reader);
        MailTableModel model(folder);
        QCOMPARE(model.headerData(kFromColumn, Qt::Horizontal).toString(), QStringLiteral("送信者"));
        model.setSenderCaption(QStringLiteral("あて先"));
        QCOMPARE(model.headerData(kFromColumn, Qt::Horizontal).toString(), QStringLiteral("あて先"));

        fill(folder, {QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("1"), QStringLiteral("2")});
        model.reload();
        std::unique_ptr<QMimeData> data(model.mimeData({model.index(0, 0), model.index(0, 3), model.index(1, 0)}));
        QCOMPARE(MailTableModel::rowsFromMimeData(data.get()), (QList<int>{0, 1}));
    }

    void treeModelMirrorsTheTree()
    {
        FolderTree tree;
        const int work = tree.addFolder(kInboxNode);
        const int sub = tree.addFolder(work);
        FolderTreeModel model(tree);
        QCOMPARE(model.rowCount(), 4); // 受信BOX, 送信BOX, 送信済BOX, 下書き
        const QModelIndex inbox = model.index(0, 0);
        QCOMPARE(inbox.data().toString(), QStringLiteral("受信BOX"));
        QCOMPARE(model.rowCount(inbox), 4); // 未読メール, 標準BOX, ごみ箱, the user folder
        const QModelIndex subIndex = model.indexOfNode(sub);
        QCOMPARE(subIndex.data(FolderTreeModel::KeyRole).toString(), tree.node(sub).key);
        QCOMPARE(model.parent(subIndex), model.indexOfNode(work));
        QCOMPARE(model.parent(model.indexOfNode(work)), inbox);
        QCOMPARE(model.indexOfNode(kTrashNode).data(FolderTreeModel::ImageKeyRole).toString(), QStringLiteral("trush"));
        QVERIFY(!(model.flags(model.indexOfNode(kTrashNode)) & Qt::ItemIsEditable));
        QVERIFY(model.flags(subIndex) & Qt::ItemIsEditable);
    }

    void treeModelAcceptsDropsOnReceivedFolders()
    {
        FolderTree tree;
        FolderTreeModel model(tree);
        QString droppedOn;
        QList<int> droppedRows;
        model.setDropHandler([&](const QString& key, const QList<int>& rows) {
            droppedOn = key;
            droppedRows = rows;
        });
        QMimeData data;
        data.setData(MailTableModel::kRowsMimeType, "2\n5");
        QVERIFY(!model.canDropMimeData(&data, Qt::MoveAction, -1, -1, model.indexOfNode(kDraftsNode)));
        QVERIFY(!model.canDropMimeData(&data, Qt::MoveAction, -1, -1, model.indexOfNode(kInboxNode)));
        model.dropMimeData(&data, Qt::MoveAction, -1, -1, model.indexOfNode(kTrashNode));
        QCOMPARE(droppedOn, QStringLiteral("ごみ箱"));
        QCOMPARE(droppedRows, (QList<int>{2, 5}));
        model.setAcceptsDrops(false); // an outgoing folder is shown
        QVERIFY(!model.canDropMimeData(&data, Qt::MoveAction, -1, -1, model.indexOfNode(kTrashNode)));
    }

    void digitKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("accounts");
        QTest::addColumn<int>("expected"); // -1: nothing
        QTest::newRow("2 of 2") << QStringLiteral("2") << 2 << 1;
        QTest::newRow("3 of 2") << QStringLiteral("3") << 2 << -1;
        QTest::newRow("1 of 1") << QStringLiteral("1") << 1 << 0;
        QTest::newRow("0") << QStringLiteral("0") << 9 << -1;
        QTest::newRow("9 of 9") << QStringLiteral("9") << 9 << 8;
        QTest::newRow("letter") << QStringLiteral("a") << 9 << -1;
        QTest::newRow("full-width digit") << QStringLiteral("２") << 9 << -1;
    }
    void digitKeys()
    {
        QFETCH(QString, key);
        QFETCH(int, accounts);
        QFETCH(int, expected);
        QCOMPARE(accountForDigitKey(key, accounts).value_or(-1), expected);
    }

    void deleteKey_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("permanent");
        QTest::newRow("standard") << QStringLiteral("標準BOX") << false << false;
        QTest::newRow("standard, shift") << QStringLiteral("標準BOX") << true << true;
        QTest::newRow("unread view") << QStringLiteral("未読メール") << false << false;
        QTest::newRow("user folder") << QStringLiteral("受信BOX\\仕事") << false << false;
        QTest::newRow("trash") << QStringLiteral("ごみ箱") << false << true;
        QTest::newRow("drafts") << QStringLiteral("下書き") << false << true;
        QTest::newRow("outbox") << QStringLiteral("送信BOX") << false << true;
        QTest::newRow("sent") << QStringLiteral("送信済BOX") << false << true;
    }
    void deleteKey()
    {
        QFETCH(QString, folder);
        QFETCH(bool, shift);
        QFETCH(bool, permanent);
        QCOMPARE(deleteActionFor(folder, shift) == DeleteAction::DeletePermanently, permanent);
    }

    void splitterAcceptance_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("extent");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("x at 500") << true << 500 << 12000 << false;
        QTest::newRow("x at 501") << true << 501 << 12000 << true;
        QTest::newRow("x at width - 500") << true << 11500 << 12000 << false;
        QTest::newRow("x at width - 501") << true << 11499 << 12000 << true;
        QTest::newRow("y at 1500") << false << 1500 << 9000 << false;
        QTest::newRow("y at 1501") << false << 1501 << 9000 << true;
        QTest::newRow("y at height - 2000") << false << 7000 << 9000 << false;
        QTest::newRow("y at height - 2001") << false << 6999 << 9000 << true;
    }
    void splitterAcceptance()
    {
        QFETCH(bool, vertical);
        QFETCH(int, position);
        QFETCH(int, extent);
        QFETCH(bool, accepted);
        QCOMPARE(vertical ? acceptsVerticalSplitter(position, extent) : acceptsHorizontalSplitter(position, extent),
                 accepted);
    }

    void splittersOutsideTheFormMove()
    {
        const SplitterPositions fitted = fitSplittersToForm({7000, 9500, 4000}, 6000, 9000);
        QCOMPARE(fitted.left, 2000);
        QCOMPARE(fitted.listBottom, 6000);
        QCOMPARE(fitted.treeBottom, 4000);
        QCOMPARE(twipsToPixels(1440, 96), 96);
        QCOMPARE(pixelsToTwips(96, 96), 1440.0);
    }

    void treePopup_data()
    {
        QTest::addColumn<int>("node");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("canDelete");
        QTest::newRow("inbox") << 1 << true << false;
        QTest::newRow("outbox") << 2 << false << false;
        QTest::newRow("drafts") << 4 << false << false;
        QTest::newRow("unread") << 5 << true << false;
        QTest::newRow("trash") << 7 << true << false;
        QTest::newRow("junk, after the trash") << 8 << true << false;
        QTest::newRow("user folder") << 9 << true << true;
        QTest::newRow("no node") << 0 << false << false;
    }
    void treePopup()
    {
        QFETCH(int, node);
        FolderTree tree;
        tree.addFolder(kInboxNode);
        tree.ensureJunkFolder();
        const TreePopupEnabling enabling = treePopupFor(node, tree.isUserFolder(node));
        QTEST(enabling.shown, "shown");
        QCOMPARE(enabling.addFolder, enabling.shown);
        QTEST(enabling.deleteFolder, "canDelete");
    }

    void autoReceiveCountsMinutes()
    {
        AccountEnvironment every3;
        every3.autoReceive = 1;
        every3.autoReceiveMinutes = 3;
        MainTimers timers;
        QSignalSpy minutes(&timers, &MainTimers::autoReceiveMinute);
        timers.armAutoReceive(true);
        QVERIFY(timers.isAutoReceiveArmed());
        timers.autoReceiveTick();
        QCOMPARE(minutes.count(), 1);
        QCOMPARE(timers.counter().AutoReceiveTick(every3), fumibako::transfer::AutoReceiveCounter::Step::Wait);
        QCOMPARE(timers.counter().minutes(), qint16(1));
        timers.disarmAutoReceive(); // the count starts again
        QCOMPARE(timers.counter().minutes(), qint16(0));
        QVERIFY(!timers.isAutoReceiveArmed());
        timers.counter().AutoReceiveTick(every3);
        timers.armAutoReceive(false);
        QCOMPARE(timers.counter().minutes(), qint16(0));
        QVERIFY(!timers.isAutoReceiveArmed());
    }
};

QTEST_GUILESS_MAIN(TestMainwinModels)
#include "test_mainwin_models.moc"
