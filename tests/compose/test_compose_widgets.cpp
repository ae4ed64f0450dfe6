// The signature frame and the recipient picker as widgets, on the offscreen platform.
#include "compose/RecipientPickerDialog.h"
#include "compose/SignatureFrame.h"
#include "compose/core/ComposeController.h"
#include "compose/core/Signatures.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace fumibako;
using namespace fumibako::compose;
using platform::Answer;
using test::RecordingPrompts;

namespace {

QStringList items(QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

const QList<addressbook::AddressEntry> kTable{
    {QStringLiteral("Root"), QStringLiteral("佐藤"), QStringLiteral("sato@example.com"), QString()},
    {QStringLiteral("Root"), QStringLiteral("鈴木"), QStringLiteral("suzuki@example.jp"), QStringLiteral("同期")},
    {QStringLiteral("Root\\仕事"), QStringLiteral("田中"), QStringLiteral("tanaka@example.jp"), QString()},
};

} // namespace

class TestComposeWidgets : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void signatureFrameCreatesEditsAndDeletes()
    {
        const QString userFile = m_dir.filePath(QStringLiteral("taro.ini"));
        const QString mailDir = m_dir.filePath(QStringLiteral("MailBox/taro/"));
        RecordingPrompts prompts;
        SignatureFrame frame(prompts);
        frame.load(userFile, mailDir);
        frame.show();
        auto* names = frame.findChild<QComboBox*>(QStringLiteral("cmbSyomei"));
        auto* text = frame.findChild<QPlainTextEdit*>(QStringLiteral("txtSyomei"));
        auto* create = frame.findChild<QPushButton*>(QStringLiteral("cmdSyoNew"));
        auto* edit = frame.findChild<QPushButton*>(QStringLiteral("cmdSyoHen"));
        auto* remove = frame.findChild<QPushButton*>(QStringLiteral("cmdSyoDel"));
        QCOMPARE(frame.title(), QStringLiteral("署名"));
        QVERIFY(!create->isEnabled() && !edit->isEnabled() && !remove->isEnabled());

        QTest::keyClicks(names->lineEdit(), QStringLiteral("sign"));
        QVERIFY(create->isEnabled() && !edit->isEnabled());
        text->setPlainText(QStringLiteral("山田\n太郎"));
        create->click();
        QCOMPARE(names->count(), 1);
        QCOMPARE(test::readBytes(mailDir + QStringLiteral("署名/sign.txt")), test::cp932Lines(QStringLiteral("山田\n太郎\n")));

        text->clear();
        names->setCurrentIndex(0);
        Q_EMIT names->activated(0);
        QCOMPARE(text->toPlainText(), QStringLiteral("山田\n太郎"));
        QVERIFY(!create->isEnabled() && edit->isEnabled() && remove->isEnabled());
        text->setPlainText(QStringLiteral("新しい署名"));
        edit->click();
        QCOMPARE(test::readBytes(mailDir + QStringLiteral("署名/sign.txt")), test::cp932Lines(QStringLiteral("新しい署名\n")));

        prompts.answerNext(Answer::Yes);
        remove->click();
        QCOMPARE(names->count(), 0);
        QCOMPARE(text->toPlainText(), QString());
        QVERIFY(!QFileInfo::exists(mailDir + QStringLiteral("署名/sign.txt")));
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.at(0).title, QStringLiteral("署名の削除"));
        // Created and deleted: the list changed, and closing the dialog writes it.
        QVERIFY(frame.saveIfChanged());
        QStringList section;
        storage::IniGetSection(kSignatureSection, userFile, section);
        QCOMPARE(section, QStringList{QStringLiteral("Count=0")});
    }

    void pickerMovesAddressesIntoItsLists()
    {
        ComposeContent content;
        content.to = QStringLiteral("first@example.jp, second@example.jp");
        content.attachments = QStringLiteral("/tmp/a.pdf");
        RecipientPickerDialog picker(kTable, content, nullptr);
        picker.show();
        QCOMPARE(picker.windowTitle(), QStringLiteral("アドレス帳"));
        auto* groups = picker.findChild<QComboBox*>(QStringLiteral("cmbGroup"));
        auto* entries = picker.findChild<QTreeView*>(QStringLiteral("lsvNandA"));
        auto* to = picker.findChild<QListWidget*>(QStringLiteral("lstTo"));
        auto* cc = picker.findChild<QListWidget*>(QStringLiteral("lstCc"));
        auto* files = picker.findChild<QListWidget*>(QStringLiteral("lstFile"));
        QCOMPARE(groups->count(), 2);
        QCOMPARE(groups->itemText(1), QStringLiteral("仕事"));
        QCOMPARE(entries->model()->rowCount(), 2);
        QVERIFY(!entries->selectionModel()->hasSelection());
        QCOMPARE(items(to), (QStringList{"first@example.jp", "second@example.jp"}));
        QCOMPARE(items(files), QStringList{"/tmp/a.pdf"});

        entries->selectionModel()->select(entries->model()->index(1, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        picker.findChild<QCheckBox*>(QStringLiteral("chkHyouji"))->setChecked(true);
        picker.findChild<QPushButton*>(QStringLiteral("cmdTo1"))->click();
        QCOMPARE(items(cc), QStringList{"\"鈴木\"<suzuki@example.jp>"});
        // A double click fills the list whose "Default" is chosen.
        picker.findChild<QRadioButton*>(QStringLiteral("opDefault2"))->setChecked(true);
        groups->setCurrentIndex(1);
        entries->selectionModel()->select(entries->model()->index(0, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Q_EMIT entries->doubleClicked(entries->model()->index(0, 0));
        QCOMPARE(items(picker.findChild<QListWidget*>(QStringLiteral("lstBcc"))), QStringList{"\"田中\"<tanaka@example.jp>"});
        // Delete removes the selected recipient.
        to->setCurrentRow(0);
        QTest::keyClick(to, Qt::Key_Delete);
        QCOMPARE(items(to), QStringList{"second@example.jp"});

        ComposeContent after = content;
        picker.writeBack(after);
        QCOMPARE(after.to, QStringLiteral("second@example.jp"));
        QCOMPARE(after.cc, QStringLiteral("\"鈴木\"<suzuki@example.jp>"));
        QCOMPARE(after.bcc, QStringLiteral("\"田中\"<tanaka@example.jp>"));
        QCOMPARE(after.attachments, QStringLiteral("/tmp/a.pdf"));
    }

    void pickerDefaultIsOneChoice_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::newRow("To") << 0;
        QTest::newRow("CC") << 1;
        QTest::newRow("BCC") << 2;
    }
    void pickerDefaultIsOneChoice()
    {
        QFETCH(int, chosen);
        RecipientPickerDialog picker(kTable, ComposeContent(), nullptr);
        picker.show();
        auto option = [&](int i) { return picker.findChild<QRadioButton*>(QStringLiteral("opDefault%1").arg(i)); };
        QVERIFY(option(0)->isChecked());
        option(chosen)->click();
        option(chosen)->click(); // a second click keeps it chosen
        for (int i = 0; i < 3; ++i)
            QCOMPARE(option(i)->isChecked(), i == chosen);
        auto* entries = picker.findChild<QTreeView*>(QStringLiteral("lsvNandA"));
        entries->selectionModel()->select(entries->model()->index(0, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Q_EMIT entries->doubleClicked(entries->model()->index(0, 0));
        const QStringList lists{QStringLiteral("lstTo"), QStringLiteral("lstCc"), QStringLiteral("lstBcc")};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(items(picker.findChild<QListWidget*>(lists.at(i))),
                     i == chosen ? QStringList{"sato@example.com"} : QStringList());
    }

    void pickerAddsAFileChosenInTheDialog()
    {
        const QString chosen = m_dir.filePath(QStringLiteral("資料.xlsx"));
        test::writeBytes(chosen, "x");
        RecipientPickerDialog picker({}, ComposeContent(), nullptr);
        picker.show();
        QCOMPARE(picker.findChild<QComboBox*>(QStringLiteral("cmbGroup"))->count(), 0);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            // The filter reads as written, and its pattern also shows files without a dot.
            const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            const auto* files = dialog->findChild<QFileSystemModel*>();
            seen = dialog->windowTitle() == QStringLiteral("添付ファイル") && types
                && types->currentText() == QStringLiteral("すべてのファイル(*.*)") && files
                && files->nameFilters() == QStringList{QStringLiteral("*")};
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept();
        });
        picker.findChild<QPushButton*>(QStringLiteral("cmdFile"))->click();
        QVERIFY(seen);
        QCOMPARE(items(picker.findChild<QListWidget*>(QStringLiteral("lstFile"))), QStringList{chosen});
        // Cancelled, the dialog adds nothing.
        QTimer::singleShot(0, [] {
            if (auto* dialog = QApplication::activeModalWidget())
                qobject_cast<QDialog*>(dialog)->reject();
        });
        picker.findChild<QPushButton*>(QStringLiteral("cmdFile"))->click();
        QCOMPARE(picker.findChild<QListWidget*>(QStringLiteral("lstFile"))->count(), 1);
    }
};

QTEST_MAIN(TestComposeWidgets)
#include "test_compose_widgets.moc"
