#pragma once

#include "mainwin/core/MainPanes.h"
#include "mainwin/core/PreviewPieces.h"

#include <QStringList>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

namespace fumibako::mainwin {

/**
 * @short The mail list `LsvMail`: keys and mouse rules, over the table model.
 *
 * Keeps the item-clicked flag: set by a click on a row, cleared by a mouse press or a key press.
 * The rows it reports are the folder view's (MailFolderView::rows()), also while the quick
 * filter shows only some of them: the commands act on the rows the user sees and selected.
 */
class MailListView : public QTableView {
    Q_OBJECT
public:
    explicit MailListView(QWidget* parent = nullptr);

    /** The folder view's row numbers of the selected rows, ascending. */
    QList<int> selectedRowNumbers() const;
    /** The selected row that the unread timer looks at, -1 for none. */
    int focusedSelectedRow() const;
    bool itemClicked() const { return m_itemClicked; }

Q_SIGNALS:
    void deletePressed(bool shift);
    void openRequested();
    /** A mouse press or a key press in the list (it clears the item-clicked flags). */
    void listPressed();
    /**
     * An item click: a left-button release on a row, a right-button release on a row that the
     * press selected, or a key that moved the current row.
     */
    void rowClicked(int row);
    void digitTyped(const QString& text);
    /** A left-button release that was not on a row. */
    void emptySpaceReleased();
    void rightReleased(const QPoint& globalPos);
    /** After every mouse release. */
    void released();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    /** Home and End go to the first and the last message, as in any list (a table's go along the row). */
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    bool m_itemClicked = false;
    int m_rightPressSelected = -1; ///< the row a right-button press selected, -1 for none
};

/** @short The folder tree `treMain`: F2 renames on key release; digits switch accounts. */
class FolderTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit FolderTreeView(QWidget* parent = nullptr);

Q_SIGNALS:
    void digitTyped(const QString& text);
    void rightReleased(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

/**
 * @short The preview pane `wbrMain`.
 *
 * Shows only local files it was told to show (the start page and the preview page): every other
 * resource (remote images, style sheets, files a message names) is refused, so that opening a
 * message never contacts a server. Links are reported, never followed.
 */
class PreviewBrowser : public QTextBrowser, public PreviewPane {
    Q_OBJECT
public:
    explicit PreviewBrowser(QWidget* parent = nullptr);

    /** Shows the local page @p path (UTF-8, else code page 932); the only file resources may come from. */
    void showFile(const QString& path) override;
    /** Shows the preview page @p path, which is always code page 932. */
    void showPreviewPage(const QString& path) override;
    void showBlank() override;
    /** Shows a plain note in place of a page. */
    void showNote(const QString& text);
    /** "about:blank", the shown file's path, or "" for a note. */
    QString location() const override { return m_location; }
    /** Whether parts of a long preview page are still to be appended. */
    bool isFilling() const { return !m_pendingPieces.isEmpty(); }

    QVariant loadResource(int type, const QUrl& name) override;

Q_SIGNALS:
    void linkActivated(const QUrl& url);

private:
    bool readPage(const QString& path, QByteArray& bytes);
    void appendPiece();

    QString m_location;
    PreviewPieces m_pendingPieces;
    QTimer m_fillTimer;
};

} // namespace fumibako::mainwin
