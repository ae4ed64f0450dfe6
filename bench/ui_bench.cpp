// Speed and memory of the main window with a large mailbox: start-up, folder switch, sorting,
// the quick filter, the preview of a large message, a search of every folder. Makes its own data
// under the folder given as the first argument (a few hundred messages in a smoke run).
#include "BenchSupport.h"
#include "JapaneseMail.h"
#include "MailboxData.h"

#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/FolderTreeModel.h"
#include "mainwin/core/MailTableModel.h"
#include "platform/UserPrompts.h"
#include "search/SearchService.h"
#include "storage/DataDirectory.h"
#include "storage/FolderTree.h"
#include "storage/ProfileStore.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QThread>
#include <QTreeView>

#include <unistd.h>

using namespace fumibako;

namespace {

using bench::SilentPrompts;

const int kMessages = bench::sized(100000, 200);
const QString kBigMail = QStringLiteral("big-1mb.eml");
// The account searched: 100,000 messages of 8 KB in ISO-2022-JP with Japanese bodies.
const QString kSearchAccount = QStringLiteral("search");
constexpr int kSearchBodyBytes = 8 * 1024;

// A plain-text message of about 1 MB: Japanese lines, quotes, web and mail addresses.
QByteArray bigMessage()
{
    QByteArray mail = "From: taro@example.jp\r\nTo: hanako@example.jp\r\nSubject: big\r\nMIME-Version: 1.0\r\n"
                      "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    const QByteArray lines[] = {
        QStringLiteral("お世話になっております。来週の打ち合わせの件でご連絡いたします。\r\n").toUtf8(),
        "> quoted: see http://example.jp/docs/index.html for the agenda.\r\n",
        QStringLiteral("資料は yamada@example.co.jp までお送りください。  よろしくお願いします。\r\n").toUtf8(),
        "plain ascii line with some words & symbols <like this>\r\n",
    };
    for (int i = 0; mail.size() < 1024 * 1024; ++i)
        mail += lines[i % 4];
    return mail;
}

// The data directory under @p root, with its work folder beside the data.
storage::ProgramPaths programPaths(const QString& root)
{
    return storage::ProgramPaths::make(root, root + QStringLiteral("work/"));
}

void makeData(const QString& root)
{
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("work"));
    const storage::ProgramPaths paths = programPaths(root);
    storage::prepareProgramDir(paths);
    storage::IniWriteSection(QStringLiteral("AName"), paths.registryFile,
                             {QStringLiteral("Count=2"), QStringLiteral("0=big"), QStringLiteral("1=") + kSearchAccount});
    for (const QString& account : {QStringLiteral("big"), kSearchAccount}) {
        storage::IniWriteString(QStringLiteral("Property"), QStringLiteral("MailAddress"), account + QStringLiteral("@example.jp"),
                                root + account + QStringLiteral(".ini"));
        storage::prepareAccountDirs(root, account);
    }
    const storage::AccountPaths big =
        bench::makeAccount(root, QStringLiteral("big"), {storage::FixedFolder::Standard}, kMessages - 1, false);
    QFile file(big.inputDir + kBigMail);
    if (file.open(QIODevice::WriteOnly))
        file.write(bigMessage());
    storage::IniWriteString(storage::FixedFolder::Standard, kBigMail, QStringLiteral("000\t山田\tbig\t2026/12/02 10:00:00"),
                            big.receivedIndexFile);
    if (!bench::writeJapaneseMailbox(storage::AccountPaths::make(root, kSearchAccount), kMessages, kSearchBodyBytes))
        std::fprintf(stderr, "ui_bench: writing the mailbox to search failed\n");
    storage::clearProfileCache();
    ::sync();
}

// Process start to the line the program prints once its window shows the unread view.
double startupMs(const QString& program, const QString& root)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("FUMIBAKO_REPORT_SHOWN"), QStringLiteral("1"));
    env.insert(QStringLiteral("TMPDIR"), root + QStringLiteral("tmp")); // its own single-instance socket
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("cache"));
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {QStringLiteral("--data-dir"), root});
    double shown = -1;
    while (process.waitForReadyRead(30000)) {
        if (process.readAll().contains("fumibako: shown")) {
            shown = timer.nsecsElapsed() / 1e6;
            break;
        }
    }
    process.kill();
    process.waitForFinished();
    return shown;
}

int nodeOf(mainwin::MainWindow& window, const QString& key)
{
    return window.controller().session().folderTree().indexOfKey(key);
}

// Words typed into the search box arrive as the input method commits them.
void commitToBox(QLineEdit* box, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
    QApplication::processEvents();
}

// Lets the window run its idle work for @p ms, as while the user pauses.
void idleFor(int ms)
{
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// One keystroke of the quick filter over the shown folder, through the window's search box, its
// model and its list, until the list has drawn the rows left. Ctrl+F gives the box the keyboard
// and the user types half a second later: the rows' texts are prepared meanwhile. The keystroke
// typed at once, before any is prepared, is shown beside it.
void filterFigures(mainwin::MainWindow& window)
{
    window.activateWindow();
    QApplication::processEvents();
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("txtSearch"));
    auto* find = window.findChild<QAction*>(QStringLiteral("mnuSearch"));
    auto* list = window.findChild<mainwin::MailListView*>(QStringLiteral("LsvMail"));
    const mainwin::MailTableModel* model = window.controller().mailModel();
    const auto clear = [&] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &escape);
        QApplication::processEvents();
    };
    const auto timed = [](const std::function<void()>& work) {
        QElapsedTimer timer;
        timer.start();
        work();
        return timer.nsecsElapsed() / 1e6;
    };
    find->trigger();
    idleFor(500);
    const double firstMs = timed([&] { commitToBox(box, QStringLiteral("その12")); });
    const int shown = model->rowCount();
    const double nextMs = bench::medianMs(5, [&] {
        clear();
        commitToBox(box, QStringLiteral("その12"));
    }, [&] { commitToBox(box, QStringLiteral("3")); });
    const int narrowed = model->rowCount();
    const double clearMs = bench::medianMs(5, [&] { commitToBox(box, QStringLiteral("その12")); }, clear);

    // Typed at once: the rows reordered (a sort) and the keyboard given to the box just before.
    list->setFocus();
    Q_EMIT list->horizontalHeader()->sectionClicked(mainwin::kDateColumn);
    QApplication::processEvents();
    const double atOnceMs = timed([&] {
        find->trigger();
        commitToBox(box, QStringLiteral("その12"));
    });
    clear();
    list->setFocus(); // back to the list: the filter's prepared rows are given up
    QApplication::processEvents();
    bench::printResult("filter_100k_window", std::max(firstMs, nextMs), "ms");
    std::fprintf(stderr, "filter through the window: first keystroke %.1f ms (%d rows shown), next %.1f ms (%d rows), "
                         "clearing %.1f ms (%d rows); typed as the box gets the keyboard %.1f ms\n",
                 firstMs, shown, nextMs, narrowed, clearMs, model->rowCount(), atOnceMs);
}

// Enter in the search box over the account of 100,000 Japanese messages, its index built: from
// the key until "検索結果" is selected and its list laid out with the messages found. Before each
// Enter the words are typed into the box over "標準BOX", which the quick filter narrows as they
// come, as the user does. Two words of the long tail (as search_100k); two of the most common
// words, which nearly every message holds, are shown beside it.
void searchFigures(mainwin::MainWindow& window)
{
    auto* accounts = window.findChild<QComboBox*>(QStringLiteral("cmbUser"));
    accounts->setCurrentIndex(accounts->findText(kSearchAccount));
    QApplication::processEvents();
    QElapsedTimer indexing;
    indexing.start();
    window.controller().search().waitUntilIdle();
    QApplication::processEvents();
    std::fprintf(stderr, "search index of %d Japanese messages built in %.1f s\n", kMessages, indexing.nsecsElapsed() / 1e9);

    auto* box = window.findChild<QLineEdit*>(QStringLiteral("txtSearch"));
    auto* find = window.findChild<QAction*>(QStringLiteral("mnuSearch"));
    auto* tree = window.findChild<QTreeView*>(QStringLiteral("treMain"));
    const mainwin::MailTableModel* model = window.controller().mailModel();
    const int standard = nodeOf(window, storage::FixedFolder::Standard);
    const auto enterMs = [&](const QString& typed) {
        const double ms = bench::medianMs(5, [&] {
            window.controller().showFolder(standard);
            QApplication::processEvents();
            find->trigger();
            commitToBox(box, typed);
            idleFor(200);
        }, [&] {
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(box, &enter);
            QApplication::processEvents();
        });
        if (mainwin::FolderTreeModel::nodeOf(tree->currentIndex()) != mainwin::FolderTreeModel::kSearchResultsNode)
            std::fprintf(stderr, "ui_bench: the search results were not shown\n");
        std::fprintf(stderr, "search \"%s\" through the window: %d messages listed in %.1f ms\n",
                     typed.toUtf8().constData(), model->rowCount(), ms);
        return ms;
    };
    using bench::JapaneseMail;
    bench::printResult("search_100k_window",
                       enterMs(JapaneseMail::vocabularyWord(1500) + QLatin1Char(' ') + JapaneseMail::vocabularyWord(3000)), "ms");
    enterMs(QStringLiteral("見積 在庫"));
}

void windowFigures(const storage::ProgramPaths& paths)
{
    SilentPrompts prompts;
    mainwin::MainWindow window(paths, &prompts);
    window.loadSequence();
    window.resize(1000, 700);
    window.show();
    window.afterShown(QString());
    QApplication::processEvents();
    // The search index of the mailbox is built in the background when an account opens: the
    // figures are of the window at rest, once it is built.
    QElapsedTimer indexing;
    indexing.start();
    window.controller().search().waitUntilIdle();
    QApplication::processEvents();
    std::fprintf(stderr, "search index built in %.1f s\n", indexing.nsecsElapsed() / 1e9);

    const int standard = nodeOf(window, storage::FixedFolder::Standard);
    const int unread = nodeOf(window, storage::FixedFolder::Unread);
    const auto switchToStandard = [&] {
        window.controller().showFolder(standard);
        QApplication::processEvents();
    };
    const auto backToUnread = [&] {
        window.controller().showFolder(unread);
        QApplication::processEvents();
    };
    bench::printResult("switch_standard_100k", bench::medianMs(5, backToUnread, switchToStandard), "ms");
    // As after new mail arrived: the index files and the mail folder read afresh.
    const QString mailFolder = window.controller().folderView().currentMailDir();
    bench::printResult("switch_standard_100k_cold", bench::medianMs(3, [&] {
                           backToUnread();
                           storage::clearProfileCache();
                           QFile::remove(mailFolder + QStringLiteral("changed"));
                           QFile(mailFolder + QStringLiteral("changed")).open(QIODevice::WriteOnly);
                       }, switchToStandard), "ms");
    switchToStandard();

    auto* list = window.findChild<mainwin::MailListView*>(QStringLiteral("LsvMail"));
    QHeaderView* header = list->horizontalHeader();
    bench::printResult("sort_subject_100k", bench::medianMs(5, {}, [&] {
                           Q_EMIT header->sectionClicked(mainwin::kSubjectColumn);
                           QApplication::processEvents();
                       }), "ms");

    int bigRow = -1;
    for (int row = 0; row < window.controller().folderView().rows().size() && bigRow < 0; ++row) {
        if (window.controller().folderView().rows().at(row).key() == kBigMail)
            bigRow = row;
    }
    bench::printResult("preview_1mb", bench::medianMs(5, [&] {
                           Q_EMIT list->emptySpaceReleased();
                           Q_EMIT list->listPressed();
                       }, [&] {
                           Q_EMIT list->rowClicked(bigRow);
                           QApplication::processEvents();
                       }), "ms");
    if (window.findChild<mainwin::PreviewBrowser*>(QStringLiteral("wbrMain"))->location() != paths.previewFile)
        std::fprintf(stderr, "ui_bench: the preview was not shown\n");

    switchToStandard();
    filterFigures(window);
    switchToStandard();
    // The window at rest with the folder shown (its index file still cached, as in the program):
    // the work it leaves for an idle moment is done.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    bench::printResult("rss_main_100k", bench::residentMegabytes(), "MB");

    searchFigures(window);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ui_bench DATADIR\n");
        return 2;
    }
    if (args.at(1) == QLatin1String("--make-data") && args.size() == 3) {
        makeData(args.at(2));
        return 0;
    }
    const QString root = QDir(args.at(1)).absoluteFilePath(QStringLiteral("ui")) + QLatin1Char('/');
    // The data is made by a process of its own, so that the memory figure below is the window's
    // alone and not what writing 100,000 files left in this process's heap.
    if (QProcess::execute(app.applicationFilePath(), {QStringLiteral("--make-data"), root}) != 0) {
        std::fprintf(stderr, "ui_bench: making the data failed\n");
        return 1;
    }
    const storage::ProgramPaths paths = programPaths(root);
    QDir().mkpath(root + QStringLiteral("tmp"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("cache"))); // the search index
    // A mailbox at rest: the program keeps a folder's file list only once the folder has not
    // changed for a few seconds (see FileNameSet::readUnlessUnchanged).
    QThread::sleep(bench::sized(3, 0));

    std::vector<double> starts;
    for (int i = 0; i < bench::sized(3, 1); ++i)
        starts.push_back(startupMs(QStringLiteral(FUMIBAKO_PROGRAM), root));
    std::sort(starts.begin(), starts.end());
    if (starts.front() < 0) {
        std::fprintf(stderr, "ui_bench: the program did not show its window\n");
        return 1;
    }
    bench::printResult("startup_100k", starts[starts.size() / 2], "ms");

    windowFigures(paths);
    QDir(root).removeRecursively();
    return 0;
}
