#include "compose/core/ComposeCallers.h"

#include "platform/UserPrompts.h"
#include "storage/FolderTree.h"
#include "transfer/StoredMail.h"

namespace fumibako::compose {

std::optional<StoredMessageOpening> storedMessageOpening(const QString& folderKey, const QString& currentMailDir,
                                                         const QString& key)
{
    using namespace storage::FixedFolder;
    if (folderKey == Drafts || folderKey == Outbox)
        return StoredMessageOpening{ComposeMode::EditStored, currentMailDir, key, folderKey};
    if (folderKey == SentBox)
        return StoredMessageOpening{ComposeMode::CopyOfSent, QString(), QString(), SentBox};
    return std::nullopt;
}

bool openStoredMessage(ComposeLauncher& launcher, transfer::CurrentMail& currentMail, platform::UserPrompts& prompts,
                       const QString& folderKey, const QString& currentMailDir, const QString& key)
{
    const std::optional<StoredMessageOpening> opening = storedMessageOpening(folderKey, currentMailDir, key);
    if (!opening)
        return false;
    if (!transfer::ReadStoredMail(currentMail, transfer::StoredMailKind::Outgoing, currentMailDir, key, QString())) {
        prompts.message(QStringLiteral("メールを読み込めませんでした") + QStringLiteral("\r\n") + currentMailDir + key,
                        QString(), platform::Icon::Exclamation, platform::Buttons::Ok);
        return false;
    }
    launcher.OpenCompose(opening->mode, opening->path, opening->name, opening->section);
    return true;
}

} // namespace fumibako::compose
