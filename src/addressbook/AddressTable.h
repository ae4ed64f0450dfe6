#pragma once

#include "addressbook/AddressBook.h"

#include <QObject>

namespace fumibako::addressbook {

/** Tells the windows that show addresses (the main window's pane, the read window) that the table was replaced. */
class AddressTableNotifier : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void changed();
};

/**
 * @short The program-wide copy of the address book that every window but the manager reads.
 *
 * Entries are in the manager's order (sorted by path). The table is replaced as a whole by
 * RebuildAddressTable and never edited in place. Used on the user-interface thread only.
 */
class AddressTable {
public:
    int count() const { return int(m_entries.size()); }
    /** Entry @p index, 0-based. */
    const AddressEntry& at(int index) const { return m_entries.at(index); }
    const QList<AddressEntry>& entries() const { return m_entries; }

    /** The program's table. */
    static const AddressTable& instance();
    /** Emits changed() after every rebuild of the program's table. */
    static AddressTableNotifier& notifier();

private:
    friend void RebuildAddressTable(const QList<AddressEntry>& managerEntries);
    QList<AddressEntry> m_entries;
};

/** Replaces the program's table with the manager's entry list (the manager is open). */
void RebuildAddressTable(const QList<AddressEntry>& managerEntries);

/**
 * Replaces the program's table with the book read from the file (the manager is not open, so
 * it is loaded hidden first: the load's messages can appear). The book is left for the caller
 * in @p loaded when given.
 */
void RebuildAddressTable(const QString& programDir, platform::UserPrompts& prompts, AddressBook* loaded = nullptr);

} // namespace fumibako::addressbook
