#pragma once

#include "storage/StoredMailReader.h"

namespace fumibako::transfer {

/**
 * @short Reads mail files for folder listings: received files through the mail library's
 * summary (no body decoded, nothing written to the work folder), outgoing files in their own format.
 */
class MailFileReader : public storage::StoredMailReader {
public:
    std::optional<storage::StoredMailSummary> readReceived(const QString& dir, const QString& name,
                                                           const QString& workDir) override;
    std::optional<storage::StoredMailSummary> readOutgoing(const QString& dir, const QString& name) override;
};

} // namespace fumibako::transfer
