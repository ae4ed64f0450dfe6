#pragma once

#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::addressbook {

/** What became of a quick add. */
struct QuickAddResult {
    bool written = false;          ///< the book file holds the new entry
    bool inOpenManager = false;    ///< the open manager's list holds it too
    QString error;                 ///< why the file could not be written
};

/**
 * The read window's "アドレス帳に追加(&A)" after the name was asked: the book file is written
 * as the new entry "Root" TAB @p name TAB @p address TAB (empty comment), then every entry of the
 * program's address table, and the table is read again from the file.
 *
 * While the address book manager is open, its list takes the entry too (in the root folder), and
 * the manager stays open with its own changes, still unsaved and still asked about when it
 * closes: neither the quick add nor the changes made in the manager are lost, whatever is
 * answered there. When the file cannot be written the reason is shown; an open manager then keeps
 * the entry as an unsaved change.
 */
QuickAddResult QuickAddSender(const QString& programDir, platform::UserPrompts& prompts, const QString& name,
                              const QString& address);

} // namespace fumibako::addressbook
