#pragma once

#include <QString>

#include <optional>

#include "storage/StoredMailReader.h"

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::mainwin {

/** The plain message of a command whose window or transfer is not built yet. */
QString notAvailableText(const QString& command);
void showNotAvailable(platform::UserPrompts& prompts, const QString& command);

/**
 * A stored-mail reader for as long as the real one is missing: it reads nothing, so listing
 * leaves files that no index lists alone (they are tried again at the next listing).
 */
class UnreadableMailReader : public storage::StoredMailReader {
public:
    std::optional<storage::StoredMailSummary> readReceived(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    std::optional<storage::StoredMailSummary> readOutgoing(const QString&, const QString&) override
    {
        return std::nullopt;
    }
};

} // namespace fumibako::mainwin
