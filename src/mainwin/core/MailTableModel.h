#pragma once

#include "filing/JunkUnsureMarks.h"
#include "mainwin/core/MailListFilter.h"
#include "mainwin/core/MainWindowRules.h"
#include "platform/LargeMemory.h"

#include <QAbstractTableModel>
#include <QItemSelection>
#include <QTimer>
#include <QStringList>

#include <functional>

namespace fumibako::storage {
class MailFolderView;
class MailRow;
} // namespace fumibako::storage

namespace fumibako::mainwin {

/**
 * Columns of the mail list; the numbers of the first kMailColumnCount are persisted (widths, sort
 * key). The folder column follows them: the search results show in it where each message lives.
 */
enum MailColumn {
    kSavedColumn, kUnreadColumn, kAttachmentColumn, kFromColumn, kSubjectColumn, kDateColumn, kMailColumnCount,
    kFolderColumn = kMailColumnCount,
    kListColumnCount
};

/**
 * @short The mail list of the shown folder as a table, sorted in place.
 *
 * Rows are the rows of MailFolderView::rows() in their current order. Sorting reorders that
 * vector itself (a sort proxy over 100,000 rows is several times slower). While the quick filter
 * narrows the list, the model shows some of them: folderRow() and modelRow() translate, and
 * without a filter a row number of the model is a row number of the folder view's commands.
 * Filtering and sorting keep the selection of the rows that stay shown.
 */
class MailTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /** MIME type of dragged rows: their row numbers, one per line. */
    static const QString kRowsMimeType;

    explicit MailTableModel(storage::MailFolderView& folder, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

    /** Row numbers carried by @p data, or an empty list. */
    static QList<int> rowsFromMimeData(const QMimeData* data);

    /** The shown folder changed or rows were added or removed: show them again, sorted. */
    void reload();
    /** Flags of existing rows changed. */
    void rowsUpdated();

    /** The marks of received mail the junk filter could not judge (may be null); it outlives the model. */
    void setUnsureMarks(const filing::JunkUnsureMarks* marks) { m_unsure = marks; }
    /** The subject column's mark of such mail, and its tool tip. */
    static const QString kUnsureMark;
    static const QString kUnsureTip;

    /**
     * Shows only the rows whose subject and sender hold every term of @p typed; a text without
     * terms shows every row again. The rows and their order stay as they are.
     *
     * @p chosenRows are the folder rows chosen in the list before the change. The messages chosen
     * when filtering began are remembered; when the filter ends with nothing chosen, their folder
     * rows (wherever a sort has put them since) are returned to be chosen again. Otherwise the
     * list is empty and the choice stays as it is.
     */
    QList<int> setFilterText(QStringView typed, const QList<int>& chosenRows = {});
    const MailListFilter& filter() const { return m_filter; }
    /** The folder view's row shown as row @p modelRow (-1 for none). */
    int folderRow(int modelRow) const { return m_filter.folderRow(modelRow); }
    /** The model row that shows the folder view's row @p folderRow, -1 when it is filtered out. */
    int modelRow(int folderRow) const { return m_filter.shownRow(folderRow); }
    /** The whole rows that show the folder view's rows @p folderRows (those shown), in few ranges. */
    QItemSelection selectionOf(const QList<int>& folderRows) const;
    /**
     * While on (the search box has the keyboard), the rows' texts for the filter are prepared a
     * few thousand at a time whenever the event loop is idle, so that the first keystroke finds
     * them ready; again after the rows change. Once it is off and nothing is filtered, they are
     * given up: they hold about a third of the memory of a large folder's list.
     */
    void setPreparingFilter(bool on);

    /** Caption of column 4: "送信者", or "あて先" for outgoing folders. */
    void setSenderCaption(const QString& caption);

    const ListSortState& sortState() const { return m_sort; }
    /** The key and order loaded from the settings (not a click: the changed flag stays clear). */
    void setSortState(int key, int order);
    /** A column header was clicked: applies the column-click rule and sorts. */
    void columnClicked(int column);

    /** The text of a cell as the list shows and sorts it. */
    static QString cellText(const storage::MailRow& row, int column);

private:
    bool isUnsure(const storage::MailRow& row) const;

    /** The folder rows the model rows of @p indexes show. */
    QList<int> folderRowsOf(const QModelIndexList& indexes) const;
    /**
     * Moves the persistent indexes @p before (showing @p folderRows) to where their messages are
     * now: @p newFolderRow gives each message's folder row after the change, -1 when it is gone.
     */
    void followPersistent(const QModelIndexList& before, const QList<int>& folderRows,
                          const std::function<int(int)>& newFolderRow);
    /** Sorts the rows by the sort state; which old row each row is, or nothing when none moved. */
    platform::LargeVector<int> sortRows();
    /** Sorts, then moves the filter's rows along; each old row's new number (empty: none moved). */
    platform::LargeVector<int> sortAndFollow();
    void restartPreparing();
    /** Gives up the filter's prepared rows while the box has no keyboard and nothing is filtered. */
    void releaseUnlessFiltering();

    storage::MailFolderView& m_folder;
    MailListFilter m_filter;
    QTimer m_preparing; ///< a step of preparing the filter's rows ahead at each idle moment
    bool m_preparingFilter = false;
    QStringList m_chosenBeforeFilter; ///< the keys of the messages chosen when filtering began
    QStringList m_captions;
    ListSortState m_sort;
    const filing::JunkUnsureMarks* m_unsure = nullptr;
};

} // namespace fumibako::mainwin
