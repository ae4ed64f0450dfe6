#include "ImportFixture.h"

#include "platform/UserPrompts.h"
#include "storage/DataDirectory.h"
#include "storage/FolderTree.h"
#include "storage/IndexEntry.h"
#include "storage/ProfileStore.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTest>

#include <algorithm>

namespace fumibako::test {

namespace {

class DirectFiler : public mailimport::ImportFiler {
public:
    explicit DirectFiler(const storage::AccountPaths& paths) : m_paths(paths) {}
    bool file(const QList<mailimport::ImportedMessage>& messages) override
    {
        return mailimport::fileImportedMessages(m_paths, messages, nullptr);
    }

private:
    storage::AccountPaths m_paths;
};

} // namespace

ImportAccounts::ImportAccounts() = default;

QString ImportAccounts::sample(const QString& name)
{
    return QStringLiteral(MAILIMPORT_SAMPLES "/") + name;
}

storage::AccountPaths ImportAccounts::account(const QString& name)
{
    const QString programDir = m_dir.path() + QLatin1Char('/');
    const storage::AccountPaths paths = storage::AccountPaths::make(programDir, name);
    if (!QFileInfo::exists(paths.userFile)) {
        storage::writeProfileString(paths.userFile, QStringLiteral("Property"), QStringLiteral("AccName"), name);
        storage::prepareAccountDirs(programDir, name);
    }
    return paths;
}

mailimport::ImportReport ImportAccounts::import(const QStringList& paths, const QString& targetKey, const QString& name)
{
    const storage::AccountPaths account = this->account(name);
    RecordingPrompts prompts;
    storage::FolderTree tree;
    tree.load(account.userFile, prompts);
    const std::optional<mailimport::ImportTarget> target = mailimport::importTargetFor(tree, targetKey);
    if (!target) {
        mailimport::ImportReport refused;
        refused.end = mailimport::RunEnd::Failed;
        refused.failure = QStringLiteral("no target");
        return refused;
    }
    const mailimport::ImportPlan plan = mailimport::planImport(paths);
    for (const QString& key : mailimport::importFolderKeys(*target, plan))
        tree.addFolderPath(key);
    tree.save(account.userFile);
    DirectFiler filer(account);
    mailimport::MailImporter importer(account, *target, plan, filer);
    return importer.run();
}

QStringList ImportAccounts::entries(const QString& section, const QString& name)
{
    QStringList lines;
    storage::IniGetSection(section, account(name).receivedIndexFile, lines);
    QStringList entries;
    for (const QString& line : std::as_const(lines)) {
        const std::optional<storage::MailRow> row = storage::ParseIndexLine(line);
        if (!row)
            continue;
        entries.append(row->subject().toString() + QLatin1Char(' ') + QLatin1Char(row->saved ? '1' : '0')
                       + QLatin1Char(row->unread ? '1' : '0') + QLatin1Char(row->attachment ? '1' : '0'));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

QList<QByteArray> ImportAccounts::messageFiles(const QString& name)
{
    const QDir input(account(name).inputDir);
    QList<QByteArray> files;
    for (const QString& file : input.entryList(QDir::Files))
        files.append(readBytes(input.filePath(file)));
    std::sort(files.begin(), files.end());
    return files;
}

QStringList ImportAccounts::folderList(const QString& name)
{
    RecordingPrompts prompts;
    storage::FolderTree tree;
    tree.load(account(name).userFile, prompts);
    QStringList keys;
    for (int node = storage::kTrashNode + 1; node <= tree.count(); ++node)
        keys.append(tree.node(node).key);
    return keys;
}

} // namespace fumibako::test
