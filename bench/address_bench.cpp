// Speed of the address book manager and the import wizard with a book of 10,000 entries in 200
// folders: opening the manager, parsing and showing an Outlook Express CSV, saving the book.
// Makes its own data under the folder given as the first argument (a hundred entries in a smoke run).
#include "BenchSupport.h"

#include "addressbook/AddressBook.h"
#include "addressbook/AddressManagerWindow.h"
#include "addressbook/ImportWizardDialog.h"
#include "addressbook/core/NewMailHost.h"
#include "platform/UserPrompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>

using namespace fumibako;

namespace {

const int kEntries = bench::sized(10000, 100);
constexpr int kTopFolders = 20;
constexpr int kSubfolders = 9; // each top folder and its 9 subfolders: 200 folders

class SilentPrompts : public platform::UserPrompts {
public:
    platform::Answer message(const QString&, const QString&, platform::Icon, platform::Buttons) override
    {
        return platform::Answer::No;
    }
    void setStatus(int, const QString&) override {}
};

class NoCompose : public addressbook::NewMailHost {
public:
    void showComposeWindow() override {}
    void startNewMail(addressbook::RecipientBox, const QString&) override {}
};

QList<addressbook::AddressEntry> bookEntries()
{
    QList<addressbook::AddressEntry> entries;
    const int folders = kTopFolders * (kSubfolders + 1);
    for (int i = 0; i < kEntries; ++i) {
        const int folder = i % folders;
        QString path = QStringLiteral("Root\\取引先%1").arg(folder / (kSubfolders + 1), 2, 10, QLatin1Char('0'));
        if (folder % (kSubfolders + 1) != 0)
            path += QStringLiteral("\\部署%1").arg(folder % (kSubfolders + 1));
        entries.append({path, QStringLiteral("山田 太郎%1").arg(i), QStringLiteral("taro%1@example.co.jp").arg(i),
                        i % 3 == 0 ? QStringLiteral("営業部 担当") : QString()});
    }
    addressbook::sortByPath(entries);
    return entries;
}

void writeOutlookCsv(const QString& path)
{
    QByteArray text = QStringLiteral("表示名,電子メール アドレス,メモ\r\n").toUtf8();
    for (int i = 0; i < kEntries; ++i)
        text += QStringLiteral("鈴木 花子%1,hanako%1@example.jp,\"東京, 本社\"\r\n").arg(i).toUtf8();
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

addressbook::AddressManagerWindow* openManager(QWidget& owner, const QString& dir, SilentPrompts& prompts, NoCompose& compose)
{
    auto* window = addressbook::AddressManagerWindow::showFor(&owner, dir, &prompts, compose, 2000, {});
    QApplication::processEvents();
    return window;
}

void closeManager(addressbook::AddressManagerWindow* window)
{
    QPointer<addressbook::AddressManagerWindow> watched(window);
    if (watched)
        watched->close();
    while (watched)
        QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString dir = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath()).filePath(QStringLiteral("address/"));
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    addressbook::SaveAddressBook(dir, bookEntries());
    writeOutlookCsv(dir + QStringLiteral("oe.csv"));
    SilentPrompts prompts;
    NoCompose compose;
    QWidget owner;

    addressbook::AddressManagerWindow* window = nullptr;
    const double open = bench::medianMs(
        5, [&] { closeManager(window); }, [&] { window = openManager(owner, dir, prompts, compose); });
    bench::printResult("addressbook_open_10k", open, "ms");

    const double parse = bench::medianMs(5, nullptr, [&] {
        addressbook::ImportWizardDialog wizard(prompts, window);
        wizard.show();
        wizard.findChild<QLineEdit*>(QStringLiteral("txtAdPath"))->setText(dir + QStringLiteral("oe.csv"));
        wizard.findChild<QPushButton*>(QStringLiteral("cmdNext"))->click();
        QApplication::processEvents();
        if (wizard.findChild<QTreeView*>(QStringLiteral("lstAddMain"))->model()->rowCount() != kEntries)
            qFatal("the import showed the wrong number of rows");
    });
    bench::printResult("import_oe_10k", parse, "ms");

    const double save = bench::medianMs(
        5, [&] { closeManager(window); window = openManager(owner, dir, prompts, compose); },
        [&] { window->findChild<QAction*>(QStringLiteral("mnuSave"))->trigger(); });
    bench::printResult("addressbook_save_10k", save, "ms");
    closeManager(window);
    QDir(dir).removeRecursively();
    return 0;
}
