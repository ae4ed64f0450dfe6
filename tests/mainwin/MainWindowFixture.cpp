#include "MainWindowFixture.h"

#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/FolderTreeModel.h"

#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QTest>
#include <QTreeWidget>

namespace fumibako::test {

using namespace storage;

bool waitForSend(mainwin::MainWindow& window)
{
    const mainwin::MainController& controller = window.controller();
    return QTest::qWaitFor([&controller] { return !controller.isSending(); }, 20000);
}

mainwin::MailListView* mailList(const mainwin::MainWindow& window)
{
    return window.findChild<mainwin::MailListView*>(QStringLiteral("LsvMail"));
}

mainwin::FolderTreeView* folderTree(const mainwin::MainWindow& window)
{
    return window.findChild<mainwin::FolderTreeView*>(QStringLiteral("treMain"));
}

mainwin::FolderTreeModel* folderTreeModel(const mainwin::MainWindow& window)
{
    return static_cast<mainwin::FolderTreeModel*>(folderTree(window)->model());
}

mainwin::PreviewBrowser* preview(const mainwin::MainWindow& window)
{
    return window.findChild<mainwin::PreviewBrowser*>(QStringLiteral("wbrMain"));
}

QComboBox* accountBox(const mainwin::MainWindow& window)
{
    return window.findChild<QComboBox*>(QStringLiteral("cmbUser"));
}

QTreeWidget* addressList(const mainwin::MainWindow& window)
{
    return window.findChild<QTreeWidget*>(QStringLiteral("LsvAdd"));
}

QString selectedTreeKey(const mainwin::MainWindow& window)
{
    return folderTree(window)->currentIndex().data(mainwin::FolderTreeModel::KeyRole).toString();
}

MainWindowData::MainWindowData()
{
    m_paths = ProgramPaths::make(withTrailingSlash(m_dir.path()), withTrailingSlash(m_work.path()));
    // The search index of every window opened on this data lives and goes with it.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/cache")));
    prepareProgramDir(m_paths);
    IniWriteSection(QStringLiteral("AName"), m_paths.registryFile,
                    {QStringLiteral("Count=2"), QStringLiteral("0=taro"), QStringLiteral("1=hanako")});
    writeAccount(QStringLiteral("taro"));
    writeAccount(QStringLiteral("hanako"));

    const AccountPaths taro = AccountPaths::make(m_paths.programDir, QStringLiteral("taro"));
    const QString standard = QStringLiteral("標準BOX");
    addMail(taro.inputDir, taro.receivedIndexFile, standard,
            QStringLiteral("m1.eml=010\t山田\t会議の件\t2024/01/02 10:00:00"));
    addMail(taro.inputDir, taro.receivedIndexFile, standard,
            QStringLiteral("m2.eml=000\t佐藤\tお知らせ\t2024/01/05 09:00:00"));
    addMail(taro.inputDir, taro.receivedIndexFile, standard,
            QStringLiteral("m3.eml=011\t鈴木\t資料送付\t2023/12/28 17:30:00"));
    addMail(taro.inputDir, taro.receivedIndexFile, QStringLiteral("ごみ箱"),
            QStringLiteral("t1.eml=010\t広告\tセール\t2023/11/01 12:00:00"));
    addMail(taro.draftDir, taro.outgoingIndexFile, QStringLiteral("下書き"),
            QStringLiteral("20240101-101010.txt=000\ta@example.jp\t下書き\t20240101-101010"));
    addMail(taro.outputDir, taro.outgoingIndexFile, QStringLiteral("送信BOX"),
            QStringLiteral("20240102-101010.txt=000\tb@example.jp\t送信待ち\t20240102-101010"));
    addMail(taro.outputDir, taro.outgoingIndexFile, QStringLiteral("送信済BOX"),
            QStringLiteral("20240103-101010.txt=000\tc@example.jp\t送信済み\t2024/01/03 10:10:10"));
}

QString MainWindowData::receivedIndex() const
{
    return AccountPaths::make(m_paths.programDir, QStringLiteral("taro")).receivedIndexFile;
}

QString MainWindowData::outgoingIndex() const
{
    return AccountPaths::make(m_paths.programDir, QStringLiteral("taro")).outgoingIndexFile;
}

QStringList MainWindowData::section(const QString& file, const QString& section)
{
    QStringList lines;
    IniGetSection(section, file, lines);
    return lines;
}

void MainWindowData::writeAccount(const QString& name)
{
    const QString file = m_paths.programDir + name + QStringLiteral(".ini");
    IniWriteString(QStringLiteral("Property"), QStringLiteral("MailAddress"), name + QStringLiteral("@example.jp"), file);
    IniWriteString(QStringLiteral("Kankyou"), QStringLiteral("MailJusin"), QStringLiteral("1"), file);
    prepareAccountDirs(m_paths.programDir, name);
}

void MainWindowData::addMail(const QString& dir, const QString& indexFile, const QString& section, const QString& line)
{
    const QString key = line.section(QLatin1Char('='), 0, 0);
    writeBytes(dir + key, "Subject: test\r\n\r\nbody\r\n");
    QStringList lines = MainWindowData::section(indexFile, section);
    lines.append(line);
    IniWriteSection(section, indexFile, lines);
}

void openMainWindow(const storage::ProgramPaths& paths, platform::UserPrompts* prompts,
                    std::unique_ptr<mainwin::MainWindow>& window)
{
    window = std::make_unique<mainwin::MainWindow>(paths, prompts);
    QVERIFY(window->loadSequence());
    window->resize(800, 600);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->afterShown(QString());
}

void selectFolder(mainwin::MainWindow& window, const QString& key)
{
    mainwin::MainController& controller = window.controller();
    const int node = controller.session().folderTree().indexOfKey(key);
    QVERIFY(node > 0);
    const QModelIndex index = folderTreeModel(window)->indexOfNode(node);
    if (folderTree(window)->currentIndex() == index)
        controller.showFolder(node);
    else
        folderTree(window)->setCurrentIndex(index);
    QCOMPARE(controller.folderView().folderKey(), key);
}

} // namespace fumibako::test
