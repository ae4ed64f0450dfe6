#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace fumibako::settings {

/**
 * @short The rules of `frmSort` "順番変更": the order of the accounts, and of one account's
 * signatures and search words.
 *
 * Moves change only the lists held here; apply() writes every list of two or more entries as a
 * whole section ("Count", then "0", "1", ...).
 */
class ListOrder {
public:
    enum List { Accounts = 0, Signatures = 1, SearchWords = 2 };

    explicit ListOrder(const QString& programDir);

    /** Opening: the accounts of the registry as stored; the other two lists empty. */
    void open();

    const QStringList& list(int which) const { return m_lists.at(which); }

    /** An account of list 0 was clicked: its signatures and search words replace lists 1 and 2. */
    void chooseAccount(int row);
    /** The settings file of the chosen account; empty until one was clicked. */
    const QString& chosenAccountFile() const { return m_accountFile; }

    /**
     * "↑" (@p delta -1) or "↓" (+1) on entry @p row of list @p which: swaps it with its neighbour
     * when there is one (no wrap-around). Returns the row the selection moves to (@p row when
     * nothing moved; -1 stays -1).
     */
    int move(int which, int row, int delta);

    /** "適用": writes the lists that hold at least two entries; failures go unreported. */
    void apply() const;

private:
    QString m_programDir;
    QString m_accountFile;
    std::array<QStringList, 3> m_lists;
};

} // namespace fumibako::settings
