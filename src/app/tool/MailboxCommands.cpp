#include "app/tool/MailboxCommands.h"

#include "app/tool/ToolAccount.h"
#include "app/tool/ToolIo.h"
#include "mailimport/MailExport.h"
#include "mailimport/MailImport.h"
#include "storage/DataDirectory.h"
#include "storage/MailFolderView.h"
#include "transfer/MailFileReader.h"

#include <cstdio>

#include <unistd.h>

namespace fumibako::tool {

using namespace fumibako::mailimport;

namespace {

/** The tool files each batch at once, on its own thread. */
class DirectFiler : public ImportFiler {
public:
    explicit DirectFiler(const storage::AccountPaths& paths) : m_paths(paths) {}
    bool file(const QList<ImportedMessage>& messages) override { return fileImportedMessages(m_paths, messages, nullptr); }

private:
    storage::AccountPaths m_paths;
};

// On a terminal, how far the import has come, rewritten in place.
MailImporter::Progress terminalProgress()
{
    if (!isatty(STDERR_FILENO))
        return {};
    return [](const ImportProgress& progress) {
        const int percent = progress.bytesTotal > 0 ? int(progress.bytesDone * 100 / progress.bytesTotal) : 100;
        const QByteArray line = QStringLiteral("\r%1 通 (%2%)").arg(progress.messages).arg(percent).toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    };
}

void printReport(const QString& text)
{
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        printLine(line);
}

} // namespace

int runImportCommand(const QString& dataDirOption, const QStringList& args)
{
    if (args.size() < 3)
        throw UsageError{QStringLiteral("usage: fumibako-tool [--data-dir DIR] import ACCOUNT FOLDERKEY PATH...")};
    const std::unique_ptr<ToolAccount> account = openToolAccount(dataDirOption, args.at(0));
    if (!account)
        return 1;
    const std::optional<ImportTarget> target = importTargetFor(account->tree, args.at(1));
    if (!target) {
        printError(account->tree.hasKey(args.at(1)) ? QStringLiteral("このフォルダにはインポートできません: ") + args.at(1)
                                                    : QStringLiteral("フォルダがありません: ") + args.at(1));
        return 1;
    }
    storage::prepareAccountDirs(account->programDir, args.at(0));
    const ImportPlan plan = planImport(args.mid(2));
    // The folders come first: an index section whose folder the list lacks is dropped by a listing.
    for (const QString& key : importFolderKeys(*target, plan))
        account->tree.addFolderPath(key);
    if (account->tree.isChanged() && !account->tree.save(account->paths.userFile)) {
        printError(QStringLiteral("フォルダの一覧を書き込めません: ") + account->paths.userFile);
        return 1;
    }
    DirectFiler filer(account->paths);
    MailImporter importer(account->paths, *target, plan, filer);
    const MailImporter::Progress progress = terminalProgress();
    const ImportReport report = importer.run(progress);
    if (progress)
        std::fputs("\n", stderr);
    printReport(importReportText(report));
    return report.isClean() ? 0 : 1;
}

int runExportCommand(const QString& dataDirOption, const QStringList& args)
{
    static const QString usage =
        QStringLiteral("usage: fumibako-tool [--data-dir DIR] export ACCOUNT FOLDERKEY --mbox FILE | --eml DIR");
    if (args.size() != 4 || (args.at(2) != QLatin1String("--mbox") && args.at(2) != QLatin1String("--eml")))
        throw UsageError{usage};
    const std::unique_ptr<ToolAccount> account = openToolAccount(dataDirOption, args.at(0));
    if (!account)
        return 1;
    const QString& folderKey = args.at(1);
    if (!account->tree.hasKey(folderKey)) {
        printError(QStringLiteral("フォルダがありません: ") + folderKey);
        return 1;
    }
    if (storage::MailFolderView::isOutgoingKey(folderKey)) {
        printError(QStringLiteral("このフォルダはエクスポートできません: ") + folderKey);
        return 1;
    }
    storage::prepareAccountDirs(account->programDir, args.at(0));
    transfer::MailFileReader reader;
    storage::MailFolderView view(account->tree, account->prompts, reader);
    view.setAccount(account->paths, storage::prepareWorkDir(nullptr));
    view.SelectFolder(folderKey);
    const ExportFormat format = args.at(2) == QLatin1String("--mbox") ? ExportFormat::Mbox : ExportFormat::EmlFiles;
    MailExporter exporter(exportItems(view), format, args.at(3));
    const ExportReport report = exporter.run();
    printReport(exportReportText(report));
    return report.end == RunEnd::Completed && report.notWritten.isEmpty() ? 0 : 1;
}

} // namespace fumibako::tool
