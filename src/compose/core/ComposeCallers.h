#pragma once

#include "compose/core/ComposeLauncher.h"

#include <QString>

#include <optional>

namespace fumibako::platform {
class UserPrompts;
}
namespace fumibako::transfer {
struct CurrentMail;
}

/** How the main window's mail list opens stored outgoing mail in the compose window. */
namespace fumibako::compose {

/** How OpenCompose is called for a stored outgoing message opened from the mail list. */
struct StoredMessageOpening {
    ComposeMode mode;
    QString path;
    QString name;
    QString section;
};

/**
 * The opening of message @p key of the folder @p folderKey shown from @p currentMailDir: drafts and
 * the outbox open for editing (mode 4), the sent box as a copy (mode 3). Nothing for other folders.
 */
std::optional<StoredMessageOpening> storedMessageOpening(const QString& folderKey, const QString& currentMailDir,
                                                         const QString& key);

/**
 * Reads the outgoing message @p key of @p currentMailDir into @p currentMail and opens it in the
 * compose window as storedMessageOpening() says. A message that cannot be read is not opened:
 * the window would show the previous record's fields, and overwriting would write them over the
 * file. False then, after a message.
 */
bool openStoredMessage(ComposeLauncher& launcher, transfer::CurrentMail& currentMail, platform::UserPrompts& prompts,
                       const QString& folderKey, const QString& currentMailDir, const QString& key);

} // namespace fumibako::compose
