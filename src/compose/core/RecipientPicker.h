#pragma once

#include "addressbook/AddressBook.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace fumibako::compose {

struct ComposeContent;

/** One group of the picker: the run of address-book entries that lie in one folder. */
struct AddressGroup {
    QString label; ///< the folder's name: the path's last component
    QString path;  ///< the full path, "Root\..."
    int first = 0; ///< index of its first entry in the table
    int count = 0;
};

/**
 * The groups of @p entries (sorted by path): one per run of consecutive entries with the same
 * path, in table order. Folders with the same name under different parents give the same label.
 */
QList<AddressGroup> addressGroups(const QList<addressbook::AddressEntry>& entries);

/** An entry as the picker adds it: the address, or "\"name\"<address>" with the display name. */
QString pickerAddressText(const addressbook::AddressEntry& entry, bool withDisplayName);

/** The entries of the chosen group, columns "表示名", "アドレス", "コメント". */
class AddressGroupModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AddressGroupModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    /** Shows the entries @p group.first ... of @p entries. */
    void showGroup(const QList<addressbook::AddressEntry>& entries, const AddressGroup& group);
    const addressbook::AddressEntry& entryAt(int row) const { return m_rows.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<addressbook::AddressEntry> m_rows;
};

/**
 * @short The rules of the recipient picker `frmAddress`: three recipient lists and an attachment
 * list filled from the compose window, added to from the address table, and written back on OK.
 *
 * It reads the program's address table and never writes the address book.
 */
class RecipientPicker {
public:
    enum List { To = 0, Cc = 1, Bcc = 2, Files = 3 };

    /** Load: the groups of @p table and the four lists from the compose fields @p content. */
    RecipientPicker(const QList<addressbook::AddressEntry>& table, const ComposeContent& content);

    const QList<AddressGroup>& groups() const { return m_groups; }
    const QList<addressbook::AddressEntry>& entries() const { return m_entries; }
    const QStringList& items(List list) const { return m_lists.at(list); }

    /** "表示名を付加する"; off when the picker opens. */
    bool withDisplayName = false;
    /** The list a double click fills ("Default"); To when the picker opens. */
    List defaultList = To;

    /** "To", "CC", "BCC": the entries @p rows of group @p group, in list order, added to @p list. */
    void addEntries(List list, int group, QList<int> rows);
    /** A double click on the entry @p row of @p group: added to the default list. */
    void addToDefault(int group, int row);
    /** The Delete key in a list. */
    void removeItem(List list, int index);
    /** Files dropped on the attachment list or chosen with "参照". */
    void addFiles(const QStringList& paths);

    /** "OK": the compose fields @p content rewritten from the four lists. */
    void writeBack(ComposeContent& content) const;

private:
    QList<addressbook::AddressEntry> m_entries;
    QList<AddressGroup> m_groups;
    std::array<QStringList, 4> m_lists;
};

} // namespace fumibako::compose
