#include "app/tool/ListCommand.h"

#include "app/tool/ToolAccount.h"
#include "app/tool/ToolIo.h"
#include "storage/DataDirectory.h"
#include "storage/MailFolderView.h"
#include "transfer/MailFileReader.h"

namespace fumibako::tool {

using namespace fumibako::storage;

namespace {

QString flagDigits(const MailRow& row)
{
    QString digits;
    digits += row.saved ? QLatin1Char('1') : QLatin1Char('0');
    digits += row.unread ? QLatin1Char('1') : QLatin1Char('0');
    digits += row.attachment ? QLatin1Char('1') : QLatin1Char('0');
    return digits;
}

} // namespace

int runListCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.size() != 2)
        throw UsageError{QStringLiteral("usage: fumibako-tool [--data-dir DIR] list ACCOUNT FOLDERKEY")};
    const QString& account = args.at(0);
    const QString& folderKey = args.at(1);
    const std::unique_ptr<ToolAccount> opened = openToolAccount(dataDirOption, account);
    if (!opened)
        return 1;
    if (!opened->tree.hasKey(folderKey)) {
        printError(QStringLiteral("フォルダがありません: ") + folderKey);
        return 1;
    }
    prepareAccountDirs(opened->programDir, account);
    transfer::MailFileReader reader;
    MailFolderView view(opened->tree, opened->prompts, reader);
    view.setAccount(opened->paths, prepareWorkDir(nullptr));
    view.SelectFolder(folderKey);
    for (const MailRow& row : view.rows().rows()) {
        const QStringList columns{row.keyString(), flagDigits(row), row.field1().toString(), row.subject().toString(),
                                  row.date().toString()};
        printLine(columns.join(QLatin1Char('\t')));
    }
    return 0;
}

} // namespace fumibako::tool
