#pragma once

#include <QString>

namespace fumibako::storage {

/**
 * @short Hears of the changes to an account's stored messages, for what is kept beside them (the
 * search index).
 *
 * Called on the user-interface thread once the change is on disk. An implementation only takes
 * note and returns at once: receiving calls it for every message of a batch. A message is named
 * by the folder key of its index section and its file name. A listener may miss changes (the tool
 * has none): what it keeps must be able to catch up from the files on its own.
 */
class MailChangeListener {
public:
    virtual ~MailChangeListener() = default;

    /**
     * A message file was filed or written under @p folderKey: received, found unindexed by a
     * listing, stored as a draft or into the outbox (again, when edited), copied to the sent box.
     */
    virtual void mailStored(const QString& folderKey, const QString& fileName) = 0;
    /** A received message moved from one folder to another; its file stays where it is. */
    virtual void mailMoved(const QString& fileName, const QString& fromKey, const QString& toKey) = 0;
    /** The message is gone from @p folderKey: deleted, sent out of the outbox, or its file vanished. */
    virtual void mailRemoved(const QString& folderKey, const QString& fileName) = 0;
};

} // namespace fumibako::storage
