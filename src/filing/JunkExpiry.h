#pragma once

#include "storage/MailChangeListener.h"
#include "storage/Paths.h"

#include <QDateTime>

namespace fumibako::filing {

/** What an expiry of 迷惑メール did. */
struct JunkExpiry {
    int moved = 0;       ///< messages moved into ごみ箱
    bool written = true; ///< false when the index could not be written (nothing moved then)
};

/**
 * Moves the messages of 迷惑メール that arrived more than @p days before @p now (by their file's
 * time) into ごみ箱, in one write of the received-mail index; the files stay where they are.
 * Protected messages ("♪") stay. Nothing happens when @p days is 0 or less. @p changes (optional)
 * hears of each move once the index is written.
 */
JunkExpiry expireJunk(const storage::AccountPaths& paths, int days, const QDateTime& now,
                      storage::MailChangeListener* changes = nullptr);

} // namespace fumibako::filing
