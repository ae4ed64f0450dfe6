#pragma once

#include "filing/FilingEngine.h"
#include "filing/FilingRule.h"

#include <QAbstractTableModel>

namespace fumibako::settings {

/**
 * @short "振り分け設定": the account's rules in order, as the window's list shows them (its
 * switch, name and a line of what it does), edited in memory and written when saved.
 *
 * A rule that cannot run is marked in its line: a broken one, and one whose folder the account
 * no longer has (receiving leaves its mail in 標準BOX).
 */
class FilingRulesEditor : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { EnabledColumn, NameColumn, SummaryColumn, ColumnCount };

    FilingRulesEditor(const QString& rulesFile, filing::FolderExists folderExists, QObject* parent = nullptr);

    /** Reads the rules from the file (the list shows them, unchanged). */
    void load();
    const filing::RuleList& rules() const { return m_rules; }
    bool isChanged() const { return m_changed; }

    /** Adds @p rule after row @p after (-1: at the end); its row. */
    int add(const filing::Rule& rule, int after = -1);
    void replace(int row, const filing::Rule& rule);
    /** A copy of rule @p row after it, named "... のコピー"; its row. */
    int copy(int row);
    void remove(int row);
    /** Moves rule @p row up (-1) or down (+1); the row it is on afterwards. */
    int move(int row, int delta);
    void setEnabled(int row, bool enabled);

    /** Why rule @p row cannot run as it should ("" when it can): broken, or a folder that is gone. */
    QString problemOf(int row) const;

    /** Writes the rules; false when the file could not be written (the list keeps them). */
    bool save();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void changed(int first, int last);

    QString m_file;
    filing::FolderExists m_folderExists;
    filing::RuleList m_rules;
    bool m_changed = false;
};

} // namespace fumibako::settings
