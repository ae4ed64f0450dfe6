// Signature files, the signature list and the rules of the settings dialog's "署名" frame.
#include "compose/core/SignatureSettings.h"
#include "compose/core/Signatures.h"
#include "platform/Cp932.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace fumibako;
using namespace fumibako::compose;
using platform::Answer;
using platform::Buttons;
using platform::Icon;
using test::readBytes;
using test::RecordingPrompts;
using test::writeBytes;

namespace {

const QString kMissingAsk = QStringLiteral("ファイルが見つかりません\r\n項目を削除しますか？");

} // namespace

class TestSignatures : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_userFile;
    QString m_mailDir;
    RecordingPrompts m_prompts;

    QString fileOf(const QString& name) const { return signatureFolder(m_mailDir) + name + QStringLiteral(".txt"); }

    void writeList(const QStringList& lines) { QVERIFY(storage::IniWriteSection(kSignatureSection, m_userFile, lines)); }

    QStringList section() const
    {
        QStringList lines;
        storage::IniGetSection(kSignatureSection, m_userFile, lines);
        return lines;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_userFile = m_dir->filePath(QStringLiteral("taro.ini"));
        m_mailDir = m_dir->filePath(QStringLiteral("MailBox/taro/"));
        QDir().mkpath(m_mailDir);
        m_prompts = RecordingPrompts();
    }

    void readsSignatureFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // null: reading fails
        QTest::newRow("two lines and a final break") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\r\nb");
        QTest::newRow("no final break") << QByteArray("a\r\nb") << QStringLiteral("a\r\nb");
        QTest::newRow("an empty last line stays") << QByteArray("a\r\n\r\n") << QStringLiteral("a\r\n");
        QTest::newRow("bare LF and CR line ends") << QByteArray("a\nb\rc\n") << QStringLiteral("a\r\nb\r\nc");
        QTest::newRow("code page 932 with NEC characters")
            << test::cp932Lines(QStringLiteral("①㈱髙橋\n")) << QStringLiteral("①㈱髙橋");
        QTest::newRow("UTF-8 after a byte order mark")
            << QByteArray("\xEF\xBB\xBF") + QStringLiteral("絵文字😀\r\n").toUtf8() << QStringLiteral("絵文字😀");
        QTest::newRow("one line break only") << QByteArray("\r\n") << QString(QLatin1String(""));
        QTest::newRow("zero bytes") << QByteArray() << QString();
    }
    void readsSignatureFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        writeBytes(fileOf(QStringLiteral("s")), bytes);
        const std::optional<QString> read = ReadSignatureFile(fileOf(QStringLiteral("s")));
        QCOMPARE(read.has_value(), !text.isNull());
        if (read)
            QCOMPARE(*read, text);
        QVERIFY(!ReadSignatureFile(fileOf(QStringLiteral("missing"))));
    }

    void writesCodePage932OrLosslessUtf8_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Japanese, LF line ends")
            << QStringLiteral("山田\n太郎") << test::cp932Lines(QStringLiteral("山田\n太郎\n"));
        QTest::newRow("a character code page 932 lacks")
            << QStringLiteral("😀") << QByteArray("\xEF\xBB\xBF") + QStringLiteral("😀\r\n").toUtf8();
    }
    void writesCodePage932OrLosslessUtf8()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QDir().mkpath(signatureFolder(m_mailDir));
        QVERIFY(writeSignatureFile(fileOf(QStringLiteral("s")), text));
        QCOMPARE(readBytes(fileOf(QStringLiteral("s"))), bytes);
        QCOMPARE(*ReadSignatureFile(fileOf(QStringLiteral("s"))), QString(text).replace(QLatin1String("\n"), QLatin1String("\r\n")));
    }

    void namesThatCannotBeFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        QTest::newRow("Japanese") << QStringLiteral("仕事用 その1") << true;
        QTest::newRow("leaves the folder") << QStringLiteral("../../taro") << false;
        QTest::newRow("a slash") << QStringLiteral("a/b") << false;
        QTest::newRow("a Windows separator") << QStringLiteral("a\\b") << false;
        QTest::newRow("a control character") << QStringLiteral("a\tb") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("dot dot") << QStringLiteral("..") << false;
    }
    void namesThatCannotBeFileNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        const std::optional<QString> path = signatureFilePath(m_mailDir, name);
        QCOMPARE(path.has_value(), usable);
        if (path)
            QCOMPARE(QFileInfo(*path).absolutePath(), QFileInfo(signatureFolder(m_mailDir) + QStringLiteral("x")).absolutePath());
    }

    void readsTheListWithItsBuffers_data()
    {
        QTest::addColumn<QStringList>("section");
        QTest::addColumn<int>("countBuffer");
        QTest::addColumn<QStringList>("names");
        const QString longName = QLatin1Char('a') + QString(40, QChar(u'署')); // 81 bytes in code page 932
        QTest::newRow("in order") << QStringList{"Count=2", "0=仕事", "1=個人"} << kComposeCountBuffer
                                  << QStringList{"仕事", "個人"};
        QTest::newRow("a name of 69 bytes is kept whole")
            << QStringList{"Count=1", "0=" + longName.left(35)} << kComposeCountBuffer << QStringList{longName.left(35)};
        QTest::newRow("a longer name is cut at 69 bytes")
            << QStringList{"Count=1", "0=" + longName} << kComposeCountBuffer << QStringList{longName.left(35)};
        QTest::newRow("count beyond the compose window's room")
            << QStringList{"Count=1000", "0=a", "1=b"} << kComposeCountBuffer << QStringList{"a", "b"};
        QTest::newRow("count not a number") << QStringList{"Count=x", "0=a"} << kSettingsCountBuffer << QStringList();
        QTest::newRow("missing name left out") << QStringList{"Count=3", "0=a", "2=c"} << kSettingsCountBuffer
                                               << QStringList{"a", "c"};
        QTest::newRow("no section") << QStringList() << kComposeCountBuffer << QStringList();
    }
    void readsTheListWithItsBuffers()
    {
        QFETCH(QStringList, section);
        QFETCH(int, countBuffer);
        QFETCH(QStringList, names);
        if (!section.isEmpty())
            writeList(section);
        QCOMPARE(LoadSignatureList(m_userFile, countBuffer), names);
    }

    void appendsTheSignatureToTheBody()
    {
        writeBytes(fileOf(QStringLiteral("仕事")), test::cp932Lines(QStringLiteral("山田\n太郎\n")));
        QString body = QStringLiteral("本文");
        QVERIFY(SyomeiPlus(body, QStringLiteral("仕事"), m_mailDir, m_prompts));
        QCOMPARE(body, QStringLiteral("本文\r\n\r\n山田\r\n太郎"));
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void missingOrEmptySignatureLeavesTheBody_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("emptyFile");
        QTest::newRow("no file") << QStringLiteral("仕事") << false;
        QTest::newRow("empty file") << QStringLiteral("仕事") << true;
        QTest::newRow("no signature at all (empty name)") << QString() << false;
    }
    void missingOrEmptySignatureLeavesTheBody()
    {
        QFETCH(QString, name);
        QFETCH(bool, emptyFile);
        if (emptyFile)
            writeBytes(fileOf(name), QByteArray());
        QString body = QStringLiteral("本文");
        QVERIFY(!SyomeiPlus(body, name, m_mailDir, m_prompts));
        QCOMPARE(body, QStringLiteral("本文"));
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages.at(0).text, QStringLiteral("署名ファイルが見つかりませんでした"));
        QCOMPARE(m_prompts.messages.at(0).title, QStringLiteral("署名ファイルの未検出"));
        QCOMPARE(m_prompts.messages.at(0).icon, Icon::Exclamation);
    }

    // --- the settings dialog's frame ---------------------------------------------------------

    void createsASignature()
    {
        SignatureSettings frame(m_prompts);
        frame.load(m_userFile, m_mailDir);
        QCOMPARE(frame.enabling().create, false);
        frame.nameTyped();
        QVERIFY(frame.enabling().create && !frame.enabling().edit && !frame.enabling().remove);
        QVERIFY(frame.create(QStringLiteral("仕事"), QStringLiteral("山田\n太郎")));
        QCOMPARE(readBytes(fileOf(QStringLiteral("仕事"))), test::cp932Lines(QStringLiteral("山田\n太郎\n")));
        QCOMPARE(frame.names(), QStringList{QStringLiteral("仕事")});
        QVERIFY(section().isEmpty()); // the list is written when the dialog closes
        QVERIFY(frame.saveIfChanged());
        QCOMPARE(section(), (QStringList{"Count=1", "0=仕事"}));
        QVERIFY(m_prompts.messages.isEmpty());
    }

    void createRefusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::newRow("no name") << QString() << QStringLiteral("ファイル名を入力してください")
                                 << QStringLiteral("ファイル名") << int(Icon::Information);
        QTest::newRow("a name with a file") << QStringLiteral("既存") << QStringLiteral("同じ名前の署名があります")
                                            << QStringLiteral("署名作成") << int(Icon::Information);
        QTest::newRow("a name that is no file name") << QStringLiteral("a/b") << QStringLiteral("有効な名前を付けてください")
                                                     << QString() << int(Icon::None);
    }
    void createRefusals()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, icon);
        writeBytes(fileOf(QStringLiteral("既存")), "old\r\n");
        writeList({"Count=1", "0=既存"});
        SignatureSettings frame(m_prompts);
        frame.load(m_userFile, m_mailDir);
        QVERIFY(!frame.create(name, QStringLiteral("new")));
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages.at(0).text, text);
        QCOMPARE(m_prompts.messages.at(0).title, title);
        QCOMPARE(int(m_prompts.messages.at(0).icon), icon);
        QCOMPARE(readBytes(fileOf(QStringLiteral("既存"))), QByteArray("old\r\n"));
        QVERIFY(!frame.listChanged());
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("MailBox/a"))));
    }

    void choosingANameShowsItsText()
    {
        writeBytes(fileOf(QStringLiteral("b")), "second\r\n");
        writeList({"Count=2", "0=a", "1=b"});
        SignatureSettings frame(m_prompts);
        frame.load(m_userFile, m_mailDir);
        QCOMPARE(frame.nameChosen(1), std::optional<QString>(QStringLiteral("second")));
        QVERIFY(!frame.enabling().create && frame.enabling().edit && frame.enabling().remove);
        // "a" has no file: No keeps it, Yes drops it from the list.
        QVERIFY(!frame.nameChosen(0));
        QCOMPARE(frame.names().size(), 2);
        m_prompts.answerNext(Answer::Yes);
        QVERIFY(!frame.nameChosen(0));
        QCOMPARE(frame.names(), QStringList{QStringLiteral("b")});
        QCOMPARE(m_prompts.messages.size(), 2);
        QCOMPARE(m_prompts.messages.at(1).text, kMissingAsk);
        QCOMPARE(m_prompts.messages.at(1).title, QStringLiteral("署名"));
        QCOMPARE(m_prompts.messages.at(1).buttons, Buttons::YesNo);
        QVERIFY(frame.enabling().edit && frame.enabling().remove);
        QVERIFY(frame.saveIfChanged());
        QCOMPARE(section(), (QStringList{"Count=1", "0=b"}));
    }

    void editWritesOverAnExistingFileOnly()
    {
        writeBytes(fileOf(QStringLiteral("a")), "old\r\n");
        SignatureSettings frame(m_prompts);
        frame.load(m_userFile, m_mailDir);
        QVERIFY(frame.edit(QStringLiteral("a"), QStringLiteral("new")));
        QCOMPARE(readBytes(fileOf(QStringLiteral("a"))), QByteArray("new\r\n"));
        QVERIFY(!frame.edit(QStringLiteral("b"), QStringLiteral("new")));
        QVERIFY(!QFileInfo::exists(fileOf(QStringLiteral("b"))));
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages.at(0).text, QStringLiteral("ファイルが見つかりません"));
        QCOMPARE(m_prompts.messages.at(0).title, QStringLiteral("署名"));
        QVERIFY(!frame.listChanged());
    }

    void removeDeletesFileAndName_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("removal");
        QTest::newRow("file, Yes") << true << int(Answer::Yes) << QStringLiteral("本当に削除してもよろしいですか？")
                                   << int(SignatureSettings::Removal::FileAndName);
        QTest::newRow("file, No") << true << int(Answer::No) << QStringLiteral("本当に削除してもよろしいですか？")
                                  << int(SignatureSettings::Removal::None);
        QTest::newRow("no file, Yes") << false << int(Answer::Yes) << kMissingAsk
                                      << int(SignatureSettings::Removal::NameOnly);
    }
    void removeDeletesFileAndName()
    {
        QFETCH(bool, fileExists);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(int, removal);
        if (fileExists)
            writeBytes(fileOf(QStringLiteral("a")), "x\r\n");
        writeList({"Count=2", "0=a", "1=b"});
        SignatureSettings frame(m_prompts);
        frame.load(m_userFile, m_mailDir);
        m_prompts.answerNext(Answer::No); // for the missing file's question while choosing
        frame.nameChosen(0);
        m_prompts = RecordingPrompts();
        m_prompts.answerNext(Answer(answer));
        QCOMPARE(int(frame.remove()), removal);
        QCOMPARE(m_prompts.messages.last().text, question);
        const bool removed = removal != int(SignatureSettings::Removal::None);
        QCOMPARE(QFileInfo::exists(fileOf(QStringLiteral("a"))), fileExists && !removed);
        QCOMPARE(frame.names(), removed ? QStringList{QStringLiteral("b")} : (QStringList{"a", "b"}));
        QCOMPARE(frame.listChanged(), removed);
    }

    void removeWithNothingChosen()
    {
        writeList({"Count=1", "0=a"});
        SignatureSettings frame(m_prompts);
        frame.load(m_userFile, m_mailDir);
        frame.nameTyped();
        QCOMPARE(frame.remove(), SignatureSettings::Removal::None);
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages.at(0).text, QStringLiteral("リストから選択してください"));
        QCOMPARE(m_prompts.messages.at(0).title, QStringLiteral("署名"));
    }

    void listWriteFailureIsReported()
    {
        SignatureSettings frame(m_prompts);
        frame.load(m_dir->filePath(QStringLiteral("no/such/dir/taro.ini")), m_mailDir);
        QVERIFY(frame.create(QStringLiteral("a"), QStringLiteral("x")));
        QVERIFY(!frame.saveIfChanged());
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages.at(0).text, QStringLiteral("署名情報の保存に失敗しました"));
    }
};

QTEST_GUILESS_MAIN(TestSignatures)
#include "test_signatures.moc"
