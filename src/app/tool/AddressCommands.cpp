#include "app/tool/AddressCommands.h"

#include "addressbook/AddressBook.h"
#include "addressbook/AddressImport.h"
#include "app/tool/ConsolePrompts.h"
#include "app/tool/ToolIo.h"
#include "storage/DataDirectory.h"

#include <QFileInfo>

namespace fumibako::tool {

using namespace fumibako::addressbook;

namespace {

const QString kUsage = QStringLiteral("usage: fumibako-tool address show FILE\n"
                                      "       fumibako-tool address import oe|almail|becky FILE\n"
                                      "       fumibako-tool [--data-dir DIR] address export");

QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

/** The book of @p path as the manager loads it; false (the load message on stderr) when old or broken. */
bool loadBook(const QString& path, AddressBook& book)
{
    ConsolePrompts prompts;
    const LoadResult result = LoadAddressBookFile(path, prompts, book);
    return result == LoadResult::Loaded || result == LoadResult::Missing;
}

int showBook(const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError{kUsage};
    if (!QFileInfo(args.first()).isFile()) {
        printError(QStringLiteral("ファイルがありません: ") + args.first());
        return 1;
    }
    AddressBook book;
    if (!loadBook(args.first(), book))
        return 1;
    for (const AddressEntry& entry : book.entries)
        printLine(QStringList{entry.path, entry.name, entry.address, entry.comment}.join(QLatin1Char('\t')));
    return 0;
}

int importRows(const QStringList& args)
{
    static const QStringList kinds{QStringLiteral("oe"), QStringLiteral("almail"), QStringLiteral("becky")};
    if (args.size() != 2 || !kinds.contains(args.first()))
        throw UsageError{kUsage};
    if (!QFileInfo(args.at(1)).isFile()) {
        printError(QStringLiteral("そのようなファイルは存在しません"));
        return 1;
    }
    const ImportResult result = importAddressFile(static_cast<ImportFormat>(kinds.indexOf(args.first())), args.at(1));
    for (const ImportedAddress& row : result.rows)
        printLine(QStringList{row.name, row.address, row.comment}.join(QLatin1Char('\t')));
    if (!result.problem)
        return 0;
    printError(oneLine(result.problem->text));
    return 1;
}

int exportBook(const QString& dataDirOption, const QStringList& args)
{
    if (!args.isEmpty())
        throw UsageError{kUsage};
    const QString programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(dataDirOption));
    AddressBook book;
    if (!loadBook(addressBookFile(programDir), book))
        return 1;
    QString error;
    if (!ExportAddressBook(programDir, book.entries, &error)) {
        printError(QStringLiteral("「Exp_Address.csv」を作成できませんでした。\n") + error);
        return 1;
    }
    printLine(oneLine(exportDoneText(programDir)));
    return 0;
}

} // namespace

int runAddressCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.isEmpty())
        throw UsageError{kUsage};
    const QString sub = args.first();
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("show"))
        return showBook(rest);
    if (sub == QLatin1String("import"))
        return importRows(rest);
    if (sub == QLatin1String("export"))
        return exportBook(dataDirOption, rest);
    throw UsageError{kUsage};
}

} // namespace fumibako::tool
