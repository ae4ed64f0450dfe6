// The settings dialogs on the offscreen platform, driven with keys and clicks; the files they
// write are checked byte for byte.
#include "DialogDriving.h"

#include "filing/JunkSettings.h"
#include "platform/Cp932.h"
#include "settings/AccountManagerDialog.h"
#include "settings/EnvironmentDialog.h"
#include "settings/FontChooserDialog.h"
#include "settings/ListOrderDialog.h"
#include "settings/NumberBox.h"
#include "storage/AccountSession.h"
#include "storage/ProfileStore.h"
#include "RecordingHost.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace fumibako;
using namespace fumibako::settings;
using namespace fumibako::test;

namespace {


const QString kWave = QStringLiteral("RIFF\x24\0\0\0WAVEfmt ");

QString passwordLine(const QString& file)
{
    return storage::IniGetString(QStringLiteral("Property"), QStringLiteral("Password"), 1024, file);
}

void clickRow(QListView* view, int row)
{
    const QRect rect = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

QStringList rows(QListView* view)
{
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts.append(view->model()->index(row, 0).data().toString());
    return texts;
}

} // namespace

class TestSettingsDialogs : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    RecordingPrompts m_prompts;
    QString dir() const { return m_dir->path() + QLatin1Char('/'); }
    QString registry() const { return dir() + QStringLiteral("AName.ini"); }

    void makeAccounts(const QStringList& names)
    {
        writeBytes(registry(), cp932Lines(QStringLiteral("[AName]\nCount=%1\n").arg(names.size())));
        storage::clearProfileCache();
        storage::writeOrderedList(QStringLiteral("AName"), registry(), names);
        for (const QString& name : names)
            writeBytes(dir() + name + QStringLiteral(".ini"),
                       cp932Lines(QStringLiteral("[Property]\nAccName=") + name
                                  + QStringLiteral("\nSMTPServer=smtp.example.jp\nPOPport=1\nPportNum=8110\n"
                                                   "[Folder]\nCount=1\n0=受信BOX\\仕事\n")));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompts = RecordingPrompts();
        storage::clearProfileCache();
    }

    void firstAccountIsTypedAndWrittenExactly()
    {
        AccountManagerDialog dialog(dir(), QString(), &m_prompts, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // No account yet: straight into a new one, without the list and without "削除".
        QVERIFY(!named<QComboBox>(&dialog, "cmbUser")->isVisible());
        QVERIFY(!named<QPushButton>(&dialog, "cmdDel")->isVisible());
        QCOMPARE(named<QPushButton>(&dialog, "cmdACan")->text(), QStringLiteral("閉じる"));
        QVERIFY(named<QLineEdit>(&dialog, "txtUserName")->isVisible());

        const auto type = [&dialog](const char* box, const QString& text) {
            auto* edit = named<QLineEdit>(&dialog, box);
            edit->setFocus();
            typeText(edit, text);
        };
        type("txtUserName", QStringLiteral("taro"));
        type("txtAccName", QStringLiteral("taro"));
        type("txtMailA", QStringLiteral("taro@example.jp"));
        type("txtSMTP", QStringLiteral("smtp.example.jp"));
        type("txtPOP", QStringLiteral("pop.example.jp"));
        type("txtName", QStringLiteral("山田太郎"));
        type("txtPass", QStringLiteral("secret"));
        auto* popPort = named<NumberBox>(&dialog, "txtPOPport");
        QVERIFY(!popPort->isEnabled());
        click(named<QCheckBox>(&dialog, "chkPOP"));
        QVERIFY(popPort->isEnabled());
        retype(popPort, QStringLiteral("0995"));
        QCOMPARE(popPort->text(), QStringLiteral("995"));
        auto* security = named<QComboBox>(&dialog, "cmbSMTPSecurity");
        security->setFocus();
        QTest::keyClick(security, Qt::Key_Down); // "SSL/TLS"
        QVERIFY(!named<QCheckBox>(&dialog, "chkSMTPPlain")->isEnabled());
        auto* warning = named<QLabel>(&dialog, "lblPlainWarning");
        QVERIFY(!warning->isVisible());
        click(named<QCheckBox>(&dialog, "chkPOPPlain")); // an old POP3 server on a trusted network
        QVERIFY(warning->isVisible());
        click(named<QPushButton>(&dialog, "cmdAOK"));

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(m_prompts.messages.isEmpty());
        const QString file = dir() + QStringLiteral("taro.ini");
        const QString stored = passwordLine(file);
        QCOMPARE(stored.size(), 12);
        QCOMPARE(storage::unscramblePassword(stored, QStringLiteral("山田太郎")), QStringLiteral("secret"));
        QCOMPARE(readBytes(file),
                 cp932Lines(QStringLiteral("[Property]\nAccName=taro\nMailAddress=taro@example.jp\nSMTPServer=smtp.example.jp\n"
                                           "POP3Server=pop.example.jp\nName=山田太郎\nPassword=")
                            + stored
                            + QStringLiteral("\nAPOP=0\nSMTPport=0\nSportNum=25\nPOPport=1\nPportNum=995\n"
                                             "[Kankyou]\nKidouJusin=0\nMailHozon=0\nMailJusin=1\nAutoPOP=0\nAutoPOPTime=3\n"
                                             "MailSound=0\nMailSoundPath=\nSyomei=0\nGridLine=0\n"
                                             "[Security]\nPOP3Security=0\nPOP3PlainLogin=1\nSMTPSecurity=1\nSMTPPlainLogin=0\n")));
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[AName]\nCount=1\n0=taro\n")));
    }

    void sameNameInOtherCaseIsRefusedAndTypingKept()
    {
        makeAccounts({QStringLiteral("taro"), QStringLiteral("hanako")});
        const QByteArray before = readBytes(registry());
        AccountManagerDialog dialog(dir(), QStringLiteral("hanako"), &m_prompts, nullptr);
        dialog.show();
        QCOMPARE(named<QComboBox>(&dialog, "cmbUser")->currentText(), QStringLiteral("hanako"));
        click(named<QPushButton>(&dialog, "cmdNew"));
        QCOMPARE(named<QPushButton>(&dialog, "cmdACan")->text(), QStringLiteral("キャンセル"));
        QVERIFY(!named<QComboBox>(&dialog, "cmbUser")->isEnabled());
        auto* name = named<QLineEdit>(&dialog, "txtUserName");
        QVERIFY(name->text().isEmpty());
        name->setFocus();
        typeText(name, QStringLiteral("TARO"));
        click(named<QPushButton>(&dialog, "cmdAOK"));
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages.first().text, QStringLiteral("同じユーザー名があります"));
        QCOMPARE(m_prompts.messages.first().title, QStringLiteral("ユーザー追加"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(name->text(), QStringLiteral("TARO"));
        QCOMPARE(readBytes(registry()), before);
        // "キャンセル" goes back to the main window's account.
        click(named<QPushButton>(&dialog, "cmdACan"));
        QVERIFY(!name->isVisible());
        QCOMPARE(named<QPushButton>(&dialog, "cmdACan")->text(), QStringLiteral("閉じる"));
        QCOMPARE(dialog.selectedAccount(), QStringLiteral("hanako"));
    }

    void editRewritesOnlyProperty()
    {
        makeAccounts({QStringLiteral("taro"), QStringLiteral("hanako")});
        AccountManagerDialog dialog(dir(), QStringLiteral("taro"), &m_prompts, nullptr);
        dialog.show();
        auto* accounts = named<QComboBox>(&dialog, "cmbUser");
        accounts->setFocus();
        QTest::keyClick(accounts, Qt::Key_Down);
        QCOMPARE(accounts->currentText(), QStringLiteral("hanako"));
        QCOMPARE(dialog.selectedAccount(), QStringLiteral("hanako"));
        auto* smtp = named<QLineEdit>(&dialog, "txtSMTP");
        QCOMPARE(smtp->text(), QStringLiteral("smtp.example.jp"));
        QVERIFY(!smtp->isEnabled());
        click(named<QPushButton>(&dialog, "cmdHen"));
        QVERIFY(smtp->isEnabled());
        retype(smtp, QStringLiteral("typed by mistake"));
        QTest::keyClick(smtp, Qt::Key_Escape); // as "キャンセル": back to viewing the main window's account
        QVERIFY(dialog.isVisible());
        QVERIFY(!smtp->isEnabled());
        QCOMPARE(accounts->currentText(), QStringLiteral("taro"));
        QCOMPARE(smtp->text(), QStringLiteral("smtp.example.jp"));
        accounts->setFocus();
        QTest::keyClick(accounts, Qt::Key_Down);
        click(named<QPushButton>(&dialog, "cmdHen"));
        retype(smtp, QStringLiteral("mail.example.jp"));
        click(named<QPushButton>(&dialog, "cmdAOK"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QString file = dir() + QStringLiteral("hanako.ini");
        QCOMPARE(readBytes(file),
                 cp932Lines(QStringLiteral("[Property]\nAccName=hanako\nMailAddress=\nSMTPServer=mail.example.jp\nPOP3Server=\n"
                                           "Name=\nPassword=\nAPOP=0\nSMTPport=0\nSportNum=25\nPOPport=1\nPportNum=8110\n"
                                           "[Folder]\nCount=1\n0=受信BOX\\仕事\n"
                                           "[Security]\nPOP3Security=0\nPOP3PlainLogin=0\nSMTPSecurity=0\nSMTPPlainLogin=0\n")));
    }

    void portBoxKeepsANumber()
    {
        makeAccounts({QStringLiteral("taro")});
        AccountManagerDialog dialog(dir(), QStringLiteral("taro"), &m_prompts, nullptr);
        dialog.show();
        auto* port = named<NumberBox>(&dialog, "txtPOPport");
        QCOMPARE(port->text(), QStringLiteral("8110"));
        port->setFocus();
        QTest::keyClick(port, Qt::Key_End);
        QTest::keyClick(port, Qt::Key_X); // a letter: the number stays
        QCOMPARE(port->text(), QStringLiteral("8110"));
        QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(port, Qt::Key_Delete); // emptied: the number comes back
        QCOMPARE(port->text(), QStringLiteral("8110"));
        QTest::keyClick(port, Qt::Key_Up);
        QCOMPARE(port->text(), QStringLiteral("8111"));
        retype(port, QStringLiteral("70000"));
        QCOMPARE(port->text(), QStringLiteral("8111")); // beyond the range: the text from before the typing
    }

    void deletingTheSecondOfThree()
    {
        makeAccounts({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        AccountManagerDialog dialog(dir(), QStringLiteral("b"), &m_prompts, nullptr);
        dialog.show();
        m_prompts.answerNext(platform::Answer::Yes);
        click(named<QPushButton>(&dialog, "cmdDel"));
        QCOMPARE(m_prompts.messages.last().text, QStringLiteral("本当に削除してもよろしいですか？"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[AName]\nCount=2\n0=a\n1=c\n")));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("b.ini")));
    }

    void environmentDialogChecksTheSoundAndWritesNineLines()
    {
        makeAccounts({QStringLiteral("taro")});
        storage::IniWriteSection(QStringLiteral("Kankyou"), dir() + QStringLiteral("taro.ini"),
                                 {QStringLiteral("MailJusin=1"), QStringLiteral("Unknown=1")});
        QTemporaryDir work;
        storage::AccountSession session(storage::ProgramPaths::make(dir(), work.path()), m_prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("taro"), host));
        host.receiveMethod = -1;
        EnvironmentDialog dialog(session, host, false, &m_prompts, nullptr);
        dialog.show();
        QVERIFY(named<QRadioButton>(&dialog, "opKanJu1")->isChecked());
        auto* minutes = named<NumberBox>(&dialog, "txtAuto");
        QVERIFY(!minutes->isEnabled());
        click(named<QCheckBox>(&dialog, "chkanAuto"));
        retype(minutes, QStringLiteral("75"));
        QCOMPARE(minutes->text(), QStringLiteral("60"));
        retype(minutes, QStringLiteral("0"));
        QCOMPARE(minutes->text(), QStringLiteral("1"));
        typeText(minutes, QStringLiteral("5"));
        QCOMPARE(minutes->text(), QStringLiteral("15"));
        click(named<QRadioButton>(&dialog, "opKanJu2"));
        click(named<QCheckBox>(&dialog, "chkGrid"));
        click(named<QCheckBox>(&dialog, "chKanSound"));
        const QString notWave = dir() + QStringLiteral("chime.mp3");
        writeBytes(notWave, "ID3\x03 not a wave file");
        retype(named<QLineEdit>(&dialog, "txtSound"), notWave);
        click(named<QPushButton>(&dialog, "cmdOk"));
        QCOMPARE(m_prompts.messages.last().text, QStringLiteral("サウンドファイルがWAVE形式ではありません"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(host.receiveMethod, -1);

        const QString wave = dir() + QStringLiteral("着信.wav");
        writeBytes(wave, kWave.toLatin1());
        retype(named<QLineEdit>(&dialog, "txtSound"), wave);
        click(named<QPushButton>(&dialog, "cmdOk"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(readBytes(dir() + QStringLiteral("taro.ini")),
                 cp932Lines(QStringLiteral("[Property]\nAccName=taro\nSMTPServer=smtp.example.jp\nPOPport=1\nPportNum=8110\n"
                                           "[Folder]\nCount=1\n0=受信BOX\\仕事\n"
                                           "[Kankyou]\nKidouJusin=0\nMailHozon=0\nMailJusin=2\nAutoPOP=1\nAutoPOPTime=15\n"
                                           "MailSound=1\nMailSoundPath=")
                            + wave + QStringLiteral("\nSyomei=0\nGridLine=1\n")));
        QCOMPARE(host.receiveMethod, 2);
        QVERIFY(host.gridLines);
        QCOMPARE(session.environment().newMailSound, qint16(1));
        QCOMPARE(session.environment().soundFile, wave);
    }

    void environmentDialogKeepsTheJunkSettings()
    {
        makeAccounts({QStringLiteral("taro")});
        QTemporaryDir work;
        storage::AccountSession session(storage::ProgramPaths::make(dir(), work.path()), m_prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("taro"), host));
        EnvironmentDialog dialog(session, host, false, &m_prompts, nullptr);
        dialog.show();
        QVERIFY(named<QCheckBox>(&dialog, "chkJunk")->isChecked());
        QVERIFY(!named<QLineEdit>(&dialog, "txtJunkTags")->isEnabled()); // until the provider is trusted
        QVERIFY(named<QLabel>(&dialog, "lblJunkLearnt")->text().contains(QStringLiteral("20 通以上学習するまで")));
        click(named<QCheckBox>(&dialog, "chkJunkProvider"));
        QVERIFY(named<QLineEdit>(&dialog, "txtJunkTags")->isEnabled());
        retype(named<QLineEdit>(&dialog, "txtJunkTags"), QStringLiteral("[meiwaku] ***SPAM***"));
        click(named<QCheckBox>(&dialog, "chkJunkDelete"));
        named<QSpinBox>(&dialog, "txtJunkDays")->setValue(14);
        click(named<QPushButton>(&dialog, "cmdOk"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const filing::JunkSettings saved = filing::readJunkSettings(dir() + QStringLiteral("taro.ini"));
        QVERIFY(saved.enabled && saved.trustProviderMarks && !saved.markRead);
        QCOMPARE(saved.providerTags, (QStringList{"[meiwaku]", "***SPAM***"}));
        QCOMPARE(saved.deleteAfterDays, 14);
    }

    void cancelledSettingsStillSaveANewSignature()
    {
        makeAccounts({QStringLiteral("taro")});
        const QString file = dir() + QStringLiteral("taro.ini");
        const QByteArray before = readBytes(file);
        QTemporaryDir work;
        storage::AccountSession session(storage::ProgramPaths::make(dir(), work.path()), m_prompts, {});
        RecordingHost host;
        QVERIFY(session.OpenAccount(QStringLiteral("taro"), host));
        EnvironmentDialog dialog(session, host, false, &m_prompts, nullptr);
        dialog.show();
        click(named<QCheckBox>(&dialog, "chkGrid")); // an option changed, then cancelled
        auto* names = named<QComboBox>(&dialog, "cmbSyomei");
        names->setFocus();
        typeText(names, QStringLiteral("仕事用"));
        auto* text = named<QPlainTextEdit>(&dialog, "txtSyomei");
        text->setFocus();
        typeText(text, QStringLiteral("山田太郎"));
        click(named<QPushButton>(&dialog, "cmdSyoNew"));
        QVERIFY2(m_prompts.messages.isEmpty(), qPrintable(m_prompts.messages.value(0).text));
        QCOMPARE(readBytes(dir() + QStringLiteral("MailBox/taro/署名/仕事用.txt")), cp932Lines(QStringLiteral("山田太郎\n")));
        QCOMPARE(readBytes(file), before); // the list waits for the dialog to close
        click(named<QPushButton>(&dialog, "cmdCan"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(readBytes(file), before + cp932Lines(QStringLiteral("[Syomei]\nCount=1\n0=仕事用\n")));
        QVERIFY(!host.gridLines);
    }

    void listOrderDialogMovesAndApplies()
    {
        makeAccounts({QStringLiteral("a"), QStringLiteral("b")});
        storage::writeOrderedList(QStringLiteral("Syomei"), dir() + QStringLiteral("b.ini"),
                                  {QStringLiteral("s1"), QStringLiteral("s2"), QStringLiteral("s3")});
        ListOrderDialog dialog(dir(), nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* accounts = named<QListView>(&dialog, "lstSort0");
        auto* signatures = named<QListView>(&dialog, "lstSort1");
        QCOMPARE(rows(accounts), (QStringList{"a", "b"}));
        QVERIFY(rows(signatures).isEmpty());
        clickRow(accounts, 1);
        QCOMPARE(rows(signatures), (QStringList{"s1", "s2", "s3"}));
        click(named<QPushButton>(&dialog, "cmdSort0")); // "↑" of the accounts: b first
        QCOMPARE(rows(accounts), (QStringList{"b", "a"}));
        QCOMPARE(rows(signatures), (QStringList{"s1", "s2", "s3"})); // moving b did not choose it again
        clickRow(signatures, 2);
        click(named<QPushButton>(&dialog, "cmdSort4")); // "↓" on the last: nothing
        click(named<QPushButton>(&dialog, "cmdSort1")); // "↑"
        QCOMPARE(rows(signatures), (QStringList{"s1", "s3", "s2"}));
        click(named<QPushButton>(&dialog, "cmdTeki"));
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[AName]\nCount=2\n0=b\n1=a\n")));
        QStringList lines;
        storage::IniGetSection(QStringLiteral("Syomei"), dir() + QStringLiteral("b.ini"), lines);
        QCOMPARE(lines, (QStringList{"Count=3", "0=s1", "1=s3", "2=s2"}));
    }

    void fontChooserFiltersAndStores()
    {
        FontChooserDialog dialog(registry(), nullptr);
        QSignalSpy chosen(&dialog, &FontChooserDialog::previewFontChosen);
        dialog.reload(QStringLiteral("消えたフォント"), QString()); // no longer installed
        dialog.show();
        auto* faces = named<QListView>(&dialog, "List1");
        auto* sizes = named<QListView>(&dialog, "lstSize");
        QCOMPARE(faces->currentIndex().row(), 0);
        QCOMPARE(faces->currentIndex().data().toString(), QStringLiteral(" IEのデフォルト"));
        QCOMPARE(sizes->currentIndex().data().toString(), QStringLiteral("2 (10ポイント)"));
        QCOMPARE(named<QLabel>(&dialog, "lblFont1")->text(), QStringLiteral(" IEのデフォルト"));

        const QStringList all = rows(faces);
        if (!all.contains(QStringLiteral("Noto Sans CJK JP")) || !all.contains(QStringLiteral("Noto Sans Mono CJK JP")))
            QSKIP("the Noto CJK fonts of scripts/install-deps are not installed");
        QVERIFY(!all.contains(QStringLiteral("DejaVu Sans"))); // no Japanese
        click(named<QCheckBox>(&dialog, "chkNosymbol"));
        QCOMPARE(rows(faces), all);
        click(named<QCheckBox>(&dialog, "chkTT"));
        const QStringList fixed = rows(faces);
        QVERIFY(fixed.contains(QStringLiteral("Noto Sans Mono CJK JP")));
        QVERIFY(!fixed.contains(QStringLiteral("Noto Sans CJK JP")));
        QVERIFY(!faces->currentIndex().isValid());

        clickRow(faces, fixed.indexOf(QStringLiteral("Noto Sans Mono CJK JP")));
        clickRow(sizes, 5);
        auto* sample = named<QLabel>(&dialog, "lblFont2");
        QCOMPARE(sample->text(), QStringLiteral("Noto Sans Mono CJK JP"));
        QCOMPARE(sample->font().pointSize(), 18);
        click(named<QPushButton>(&dialog, "cmdOK"));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[Font]\nMainName=Noto Sans Mono CJK JP\nMainSize=5\n")));

        // Opened again after the filters were ticked (and OK, then cancel): every face is listed,
        // the stored proportional one is chosen and shown as the current one, and OK after a
        // new size keeps it.
        const auto reopen = [&] {
            dialog.reload(QStringLiteral("Noto Sans CJK JP"), QStringLiteral("5"));
            dialog.show();
            QVERIFY(!named<QCheckBox>(&dialog, "chkTT")->isChecked());
            QVERIFY(!named<QCheckBox>(&dialog, "chkNosymbol")->isChecked());
        };
        reopen();
        click(named<QCheckBox>(&dialog, "chkTT"));
        click(named<QCheckBox>(&dialog, "chkNosymbol"));
        click(named<QPushButton>(&dialog, "cmdCan"));
        reopen();
        QCOMPARE(rows(faces), all);
        QCOMPARE(faces->currentIndex().data().toString(), QStringLiteral("Noto Sans CJK JP"));
        QCOMPARE(named<QLabel>(&dialog, "lblFont1")->text(), QStringLiteral("Noto Sans CJK JP"));
        clickRow(sizes, 3);
        click(named<QPushButton>(&dialog, "cmdOK"));
        QCOMPARE(readBytes(registry()), cp932Lines(QStringLiteral("[Font]\nMainName=Noto Sans CJK JP\nMainSize=3\n")));
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "test_settings_dialogs.moc"
