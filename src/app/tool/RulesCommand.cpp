#include "app/tool/RulesCommand.h"

#include "addressbook/AddressLookup.h"
#include "app/tool/ConsolePrompts.h"
#include "app/tool/ToolIo.h"
#include "filing/AccountFolders.h"
#include "filing/ManualFiling.h"
#include "filing/RuleFile.h"
#include "filing/RuleWords.h"
#include "filing/SieveExport.h"
#include "filing/SieveImport.h"
#include "storage/DataDirectory.h"
#include "storage/FolderTree.h"

#include <QFile>
#include <QFileInfo>

namespace fumibako::tool {

using namespace fumibako::filing;

namespace {

const char* const kUsage = "usage: fumibako-tool [--data-dir DIR] rules ACCOUNT [import FILE | export | apply FOLDERKEY]";

struct RulesAccount {
    QString programDir;
    QString name;
    storage::AccountPaths paths;
};

int listRules(const RulesAccount& account)
{
    const RuleList rules = readRules(rulesFile(account.paths));
    for (qsizetype i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules.at(i);
        const QString state = rule.isBroken() ? QStringLiteral("壊れています") : rule.enabled ? QStringLiteral("有効")
                                                                                              : QStringLiteral("無効");
        printLine(QStringList{QString::number(i + 1), state, rule.name, ruleSummary(rule)}.join(u'\t'));
    }
    return 0;
}

int importRules(const RulesAccount& account, const QString& file)
{
    QFile script(file);
    if (!script.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("ファイルを読めません: ") + file);
        return 1;
    }
    const SieveImport imported = importSieve(QString::fromUtf8(script.readAll()));
    if (imported.error) {
        printError(file + QStringLiteral(": ") + imported.error->text());
        return 1;
    }
    // Folders the rules name that the account lacks are made first: the rules would leave
    // their mail in 標準BOX otherwise.
    ConsolePrompts prompts;
    storage::FolderTree tree;
    tree.load(account.paths.userFile, prompts);
    tree.addFoldersOfIndex(account.paths.receivedIndexFile);
    const int before = tree.count();
    for (const QString& folder : imported.folders) {
        if (!tree.hasKey(folder) && !tree.addFolderPath(folder)) {
            printError(QStringLiteral("フォルダを作れません: ") + folder);
            return 1;
        }
    }
    QStringList created; // with the folders above them that were missing too
    for (int node = before + 1; node <= tree.count(); ++node)
        created.append(tree.node(node).key);
    if (!created.isEmpty() && !tree.save(account.paths.userFile)) {
        printError(QStringLiteral("フォルダの一覧を書き込めませんでした: ") + account.paths.userFile);
        return 1;
    }
    for (const QString& folder : std::as_const(created))
        printLine(QStringLiteral("フォルダを作りました: ") + folder);
    if (!writeRules(rulesFile(account.paths), imported.rules)) {
        printError(QStringLiteral("ルールを書き込めませんでした: ") + rulesFile(account.paths));
        return 1;
    }
    printLine(QStringLiteral("%1 件のルールを取り込みました").arg(imported.rules.size()));
    return 0;
}

int exportRules(const RulesAccount& account)
{
    const RuleList rules = readRules(rulesFile(account.paths));
    printLine(exportSieve(rules, QStringLiteral("フミバコの振り分けルール（アカウント %1）").arg(account.name)).chopped(1));
    return 0;
}

int applyRules(const RulesAccount& account, const QString& folderKey)
{
    ConsolePrompts prompts;
    storage::FolderTree tree;
    tree.load(account.paths.userFile, prompts);
    tree.addFoldersOfIndex(account.paths.receivedIndexFile);
    const bool view = folderKey == storage::FixedFolder::Inbox || folderKey == storage::FixedFolder::Unread;
    if (!view && !takesFiledMail(tree, folderKey)) {
        printError(QStringLiteral("このフォルダでは振り分けられません: ") + folderKey);
        return 1;
    }
    addressbook::AddressBook book;
    addressbook::LoadAddressBook(account.programDir, prompts, book);
    const addressbook::EntryAddressLookup addressBook(book.entries);
    const FolderExists exists = [&tree](const QString& key) { return takesFiledMail(tree, key); };
    const std::unique_ptr<FilingEngine> engine = makeAccountEngine({readRules(rulesFile(account.paths)), exists, &addressBook});
    ManualFiling filing(account.paths, *engine, exists);
    filing.addFolder(folderKey);
    while (filing.step(1000)) {
    }
    const ManualFilingResult result = filing.apply(nullptr);
    if (!result.written) {
        printError(QStringLiteral("索引を書き込めませんでした: ") + account.paths.receivedIndexFile);
        return 1;
    }
    for (const MissingFolder& missing : result.missingFolders)
        printError(QStringLiteral("振り分け先のフォルダがありません: ルール「%1」: %2").arg(missing.rule, missing.folder));
    printLine(QStringLiteral("%1 通のうち %2 通を振り分けました").arg(result.messages).arg(result.moved));
    return 0;
}

} // namespace

int runRulesCommand(const QString& dataDirOption, const QStringList& args)
{
    const QString usage = QString::fromUtf8(kUsage);
    if (args.isEmpty())
        throw UsageError{usage};
    RulesAccount account;
    account.programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(dataDirOption));
    account.name = args.at(0);
    account.paths = storage::AccountPaths::make(account.programDir, account.name);
    const QString verb = args.value(1);
    const bool known = (args.size() == 1) || (args.size() == 2 && verb == QLatin1String("export"))
                       || (args.size() == 3 && (verb == QLatin1String("import") || verb == QLatin1String("apply")));
    if (!known)
        throw UsageError{usage};
    if (!QFileInfo::exists(account.paths.userFile)) {
        printError(QStringLiteral("アカウントがありません: ") + account.name);
        return 1;
    }
    storage::prepareAccountDirs(account.programDir, account.name);
    if (args.size() == 1)
        return listRules(account);
    if (verb == QLatin1String("export"))
        return exportRules(account);
    if (verb == QLatin1String("import"))
        return importRules(account, args.at(2));
    return applyRules(account, args.at(2));
}

} // namespace fumibako::tool
