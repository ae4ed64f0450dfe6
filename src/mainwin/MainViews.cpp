#include "mainwin/MainViews.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringDecoder>
#include <QTextCursor>

#include "mainwin/core/MailTableModel.h"
#include "platform/Cp932.h"
#include "widgets/ListViews.h"

namespace fumibako::mainwin {

namespace {
// The start page is installed as UTF-8; preview pages are written in code page 932.
QString decodePage(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? platform::decodeCp932(bytes) : text;
}

constexpr int kLinesPerPiece = 80; // about a screenful; the rest follows while idle

bool isDigitKey(const QKeyEvent* event)
{
    const QString text = event->text();
    return text.size() == 1 && text.at(0) >= QLatin1Char('1') && text.at(0) <= QLatin1Char('9')
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// The folder view's row that row @p row of the list shows (the same row while nothing is filtered).
int folderRowOf(const QAbstractItemView& view, int row)
{
    const auto* model = qobject_cast<const MailTableModel*>(view.model());
    return model && row >= 0 ? model->folderRow(row) : row;
}
} // namespace

MailListView::MailListView(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setShowGrid(false);
    setWordWrap(false);
    setDragEnabled(true);
    setDragDropMode(DragOnly);
    setDefaultDropAction(Qt::MoveAction);
    setEditTriggers(NoEditTriggers);
    setHorizontalScrollMode(ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSortIndicatorShown(true);
}

QList<int> MailListView::selectedRowNumbers() const
{
    QList<int> rows = widgets::selectedRowNumbersOf(*this);
    for (int& row : rows)
        row = folderRowOf(*this, row); // keeps the order: the filter keeps the folder's
    return rows;
}

int MailListView::focusedSelectedRow() const
{
    if (!selectionModel())
        return -1;
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), {}))
        return folderRowOf(*this, current.row());
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : folderRowOf(*this, rows.first().row());
}

void MailListView::keyPressEvent(QKeyEvent* event)
{
    m_itemClicked = false;
    Q_EMIT listPressed();
    const widgets::ListKeyActions actions{[this](bool shift) { Q_EMIT deletePressed(shift); },
                                          [this] { Q_EMIT openRequested(); }};
    if (widgets::handleListKey(*this, *event, actions))
        return;
    if (isDigitKey(event)) {
        Q_EMIT digitTyped(event->text());
        return;
    }
    const QModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    if (after.isValid() && after.row() != before.row() && selectionModel()->isRowSelected(after.row(), {}))
        Q_EMIT rowClicked(folderRowOf(*this, after.row()));
}

QModelIndex MailListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    if ((action == MoveHome || action == MoveEnd) && model() && model()->rowCount() > 0) {
        const int row = action == MoveHome ? 0 : model()->rowCount() - 1;
        return model()->index(row, std::max(0, currentIndex().column()));
    }
    return QTableView::moveCursor(action, modifiers);
}

void MailListView::mousePressEvent(QMouseEvent* event)
{
    m_itemClicked = false;
    Q_EMIT listPressed();
    const QModelIndex hit = indexAt(event->position().toPoint());
    const bool wasSelected = hit.isValid() && selectionModel()->isRowSelected(hit.row(), {});
    QTableView::mousePressEvent(event);
    const bool selects = event->button() == Qt::RightButton && hit.isValid() && !wasSelected
        && selectionModel()->isRowSelected(hit.row(), {});
    m_rightPressSelected = selects ? hit.row() : -1;
}

void MailListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid()) {
        m_itemClicked = true;
        const bool chosen = event->button() == Qt::LeftButton || hit.row() == m_rightPressSelected;
        if (chosen && selectionModel()->isRowSelected(hit.row(), {}))
            Q_EMIT rowClicked(folderRowOf(*this, hit.row()));
    }
    if (event->button() == Qt::LeftButton && !m_itemClicked) {
        clearSelection();
        Q_EMIT emptySpaceReleased();
    }
    Q_EMIT released();
    if (event->button() == Qt::RightButton)
        Q_EMIT rightReleased(event->globalPosition().toPoint());
}

FolderTreeView::FolderTreeView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setEditTriggers(NoEditTriggers);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(DropOnly);
    setDefaultDropAction(Qt::MoveAction);
}

void FolderTreeView::keyPressEvent(QKeyEvent* event)
{
    if (isDigitKey(event)) {
        Q_EMIT digitTyped(event->text());
        return;
    }
    QTreeView::keyPressEvent(event);
}

void FolderTreeView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F2 && currentIndex().isValid() && !event->isAutoRepeat()) {
        edit(currentIndex(), AllEditTriggers, event);
        return;
    }
    QTreeView::keyReleaseEvent(event);
}

void FolderTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        Q_EMIT rightReleased(event->globalPosition().toPoint());
}

PreviewBrowser::PreviewBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &PreviewBrowser::linkActivated);
    m_fillTimer.setInterval(0);
    connect(&m_fillTimer, &QTimer::timeout, this, &PreviewBrowser::appendPiece);
}

bool PreviewBrowser::readPage(const QString& path, QByteArray& bytes)
{
    m_pendingPieces = {};
    m_fillTimer.stop();
    m_location = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        clear();
        return false;
    }
    bytes = file.readAll();
    return true;
}

void PreviewBrowser::showFile(const QString& path)
{
    // The page is read here, not through setSource(), so nothing else is fetched on its behalf.
    QByteArray bytes;
    if (readPage(path, bytes))
        setHtml(decodePage(bytes));
}

void PreviewBrowser::showPreviewPage(const QString& path)
{
    // A short code page 932 text can happen to be valid UTF-8, so no guessing here.
    QByteArray bytes;
    if (!readPage(path, bytes))
        return;
    // The first lines show at once; the rest of a long message follows while the window is idle.
    m_pendingPieces = PreviewPieces(platform::decodeCp932(bytes), kLinesPerPiece);
    setHtml(m_pendingPieces.takeFirst());
    if (!m_pendingPieces.isEmpty())
        m_fillTimer.start();
}

void PreviewBrowser::appendPiece()
{
    if (m_pendingPieces.isEmpty()) {
        m_fillTimer.stop();
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertHtml(m_pendingPieces.takeFirst());
}

void PreviewBrowser::showBlank()
{
    m_pendingPieces = {};
    m_fillTimer.stop();
    m_location = QStringLiteral("about:blank");
    clear();
}

void PreviewBrowser::showNote(const QString& text)
{
    m_pendingPieces = {};
    m_fillTimer.stop();
    m_location.clear();
    setPlainText(text);
}

QVariant PreviewBrowser::loadResource(int, const QUrl& name)
{
    // Only the shown file itself; images and style sheets a message refers to are never loaded.
    if (name.isLocalFile() && !m_location.isEmpty()
        && QFileInfo(name.toLocalFile()).absoluteFilePath() == QFileInfo(m_location).absoluteFilePath()) {
        QFile file(m_location);
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    return {};
}

} // namespace fumibako::mainwin
