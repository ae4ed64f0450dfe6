// The recipient picker's rules: groups of the address table, the four lists, writing back.
#include "compose/core/ComposeController.h"
#include "compose/core/ComposeRules.h"
#include "compose/core/RecipientPicker.h"

#include <QTest>

using namespace fumibako::compose;
using fumibako::addressbook::AddressEntry;

namespace {

const QList<AddressEntry> kTable{
    {QStringLiteral("Root"), QStringLiteral("佐藤"), QStringLiteral("sato@example.com"), QString()},
    {QStringLiteral("Root"), QStringLiteral("鈴木"), QStringLiteral("suzuki@example.jp"), QStringLiteral("同期")},
    {QStringLiteral("Root\\仕事"), QStringLiteral("田中"), QStringLiteral("tanaka@example.jp"), QString()},
    {QStringLiteral("Root\\仕事\\取引先"), QStringLiteral("高橋"), QStringLiteral("takahashi@example.jp"), QString()},
    {QStringLiteral("Root\\趣味\\取引先"), QStringLiteral("伊藤"), QStringLiteral("ito@example.jp"), QString()},
};

} // namespace

class TestRecipientPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void groupsAreRunsOfOneFolder()
    {
        const QList<AddressGroup> groups = addressGroups(kTable);
        QCOMPARE(groups.size(), 4);
        QCOMPARE(groups.at(0).label, QStringLiteral("Root"));
        QCOMPARE(groups.at(0).count, 2);
        QCOMPARE(groups.at(1).label, QStringLiteral("仕事")); // its subfolder's entry is not shown with it
        QCOMPARE(groups.at(1).count, 1);
        // Two folders of the same name under different parents: the same label, their own entries.
        QCOMPARE(groups.at(2).label, QStringLiteral("取引先"));
        QCOMPARE(groups.at(3).label, QStringLiteral("取引先"));
        QCOMPARE(kTable.at(groups.at(3).first).name, QStringLiteral("伊藤"));

        AddressGroupModel model;
        model.showGroup(kTable, groups.at(0));
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("同期"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("アドレス"));
    }

    void fieldsSplitIntoListsAndBack_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("writtenBack");
        QTest::newRow("two addresses") << QStringLiteral("a@x, 山田 <b@x>") << QStringList{"a@x", "山田 <b@x>"}
                                       << QStringLiteral("a@x, 山田 <b@x>");
        QTest::newRow("a comma without a space does not split") << QStringLiteral("a@x,b@x") << QStringList{"a@x,b@x"}
                                                                << QStringLiteral("a@x,b@x");
        QTest::newRow("empty") << QString() << QStringList() << QString();
        QTest::newRow("an empty item ends the list") << QStringLiteral("a@x, , b@x") << QStringList{"a@x", "", "b@x"}
                                                     << QStringLiteral("a@x");
    }
    void fieldsSplitIntoListsAndBack()
    {
        QFETCH(QString, field);
        QFETCH(QStringList, items);
        QFETCH(QString, writtenBack);
        ComposeContent content;
        content.cc = field;
        content.attachments = field;
        RecipientPicker picker(kTable, content);
        QCOMPARE(picker.items(RecipientPicker::Cc), items);
        QCOMPARE(picker.items(RecipientPicker::Files), items);
        ComposeContent after;
        after.to = QStringLiteral("was there");
        picker.writeBack(after);
        QCOMPARE(after.cc, writtenBack);
        QCOMPARE(after.attachments, writtenBack);
        QCOMPARE(after.to, QString());
    }

    void addsSelectedEntriesAndRemovesItems()
    {
        ComposeContent content;
        content.to = QStringLiteral("first@x");
        RecipientPicker picker(kTable, content);
        picker.addEntries(RecipientPicker::Bcc, 0, {1, 0}); // in list order, whatever the order of selection
        QCOMPARE(picker.items(RecipientPicker::Bcc), (QStringList{"sato@example.com", "suzuki@example.jp"}));
        picker.withDisplayName = true;
        picker.addToDefault(1, 0);
        picker.addToDefault(1, 0); // nothing prevents duplicates
        QCOMPARE(picker.items(RecipientPicker::To),
                 (QStringList{"first@x", "\"田中\"<tanaka@example.jp>", "\"田中\"<tanaka@example.jp>"}));
        picker.defaultList = RecipientPicker::Cc;
        picker.addToDefault(0, 5); // no such row
        picker.addToDefault(2, 0);
        QCOMPARE(picker.items(RecipientPicker::Cc), QStringList{"\"高橋\"<takahashi@example.jp>"});
        picker.removeItem(RecipientPicker::To, 0);
        picker.addFiles({QStringLiteral("/tmp/a.pdf"), QString(), QStringLiteral("/tmp/資料.xlsx")});
        picker.writeBack(content);
        QCOMPARE(content.to, QStringLiteral("\"田中\"<tanaka@example.jp>, \"田中\"<tanaka@example.jp>"));
        QCOMPARE(content.bcc, QStringLiteral("sato@example.com, suzuki@example.jp"));
        QCOMPARE(content.attachments, QStringLiteral("/tmp/a.pdf, /tmp/資料.xlsx"));
    }

    void attachmentListRules_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("three files on an empty field")
            << QString() << QStringList{"/a", "/b c", "/d"} << QStringLiteral("/a, /b c, /d") << QStringList{"/a", "/b c", "/d"};
        QTest::newRow("named entries keep their name")
            << QStringLiteral("/in/m1.eml|転送[件名].eml") << QStringList{"/x"}
            << QStringLiteral("/in/m1.eml|転送[件名].eml, /x") << QStringList{"/in/m1.eml", "/x"};
    }
    void attachmentListRules()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, dropped);
        QFETCH(QString, after);
        QFETCH(QStringList, paths);
        ComposeContent content;
        content.attachments = list;
        ComposeController::addAttachments(content, dropped);
        QCOMPARE(content.attachments, after);
        QCOMPARE(attachmentPaths(content.attachments), paths);
    }
};

QTEST_GUILESS_MAIN(TestRecipientPicker)
#include "test_recipient_picker.moc"
