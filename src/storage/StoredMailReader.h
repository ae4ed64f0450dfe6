#pragma once

#include <QString>

#include <optional>

namespace fumibako::storage {

/** What listing a folder needs to know about a mail file that no index lists. */
struct StoredMailSummary {
    QString from;            ///< received: the sender; outgoing: the recipients (To)
    QString subject;
    QString date;            ///< received: the message date; outgoing: the file name without ".txt"
    bool hasAttachments = false; ///< received: the attachment count is not 0; outgoing: the attachment line is not empty
};

/**
 * @short Reads mail files that the index does not list yet.
 *
 * Implemented by the mail transfer layer (received files through the mail library, outgoing
 * files through their own format); tests hand in a double.
 */
class StoredMailReader {
public:
    virtual ~StoredMailReader() = default;

    /** A received message file in @p dir; parts it extracts go to @p workDir. Nothing when unreadable. */
    virtual std::optional<StoredMailSummary> readReceived(const QString& dir, const QString& name,
                                                          const QString& workDir) = 0;

    /** An outgoing (outbox, sent, draft) file in @p dir. Nothing when unreadable. */
    virtual std::optional<StoredMailSummary> readOutgoing(const QString& dir, const QString& name) = 0;
};

} // namespace fumibako::storage
