// The main window's widgets, splitters and resize layout.
#include "mainwin/MainWindow.h"

#include "mainwin/FolderIconModel.h"
#include "mainwin/MainViews.h"
#include "mainwin/core/MailTableModel.h"
#include "widgets/StoredGeometry.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QResizeEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace fumibako::mainwin {

void MainWindow::createWidgets()
{
    m_mainSplitter = new QSplitter(Qt::Horizontal, this);
    m_mainSplitter->setObjectName(QStringLiteral("imgSpl0"));
    m_mainSplitter->setChildrenCollapsible(false);
    m_mainSplitter->addWidget(createLeftColumn());
    m_mainSplitter->addWidget(createRightColumn());
    m_mainSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_mainSplitter);
    statusBar()->setObjectName(QStringLiteral("StbMain"));
    m_prompts.createPanels(statusBar());
    connectSplitters();
}

QWidget* MainWindow::createLeftColumn()
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    m_accountRow = new QWidget(column);
    auto* row = new QHBoxLayout(m_accountRow);
    row->setContentsMargins(2, 2, 2, 0);
    auto* label = new QLabel(QStringLiteral("ユーザー名"), m_accountRow);
    label->setObjectName(QStringLiteral("lblUser"));
    m_accountBox = new QComboBox(m_accountRow);
    m_accountBox->setObjectName(QStringLiteral("cmbUser"));
    m_accountBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_accountBox->setMinimumContentsLength(3);
    label->setBuddy(m_accountBox);
    row->addWidget(label);
    row->addWidget(m_accountBox, 1);
    layout->addWidget(m_accountRow);

    m_leftSplitter = new QSplitter(Qt::Vertical, column);
    m_leftSplitter->setObjectName(QStringLiteral("imgSpl2"));
    m_leftSplitter->setChildrenCollapsible(false);
    m_folderTree = new FolderTreeView(m_leftSplitter);
    m_folderTree->setObjectName(QStringLiteral("treMain"));
    m_folderTree->setModel(m_treeModel);
    m_addressList = new QTreeWidget(m_leftSplitter);
    m_addressList->setObjectName(QStringLiteral("LsvAdd"));
    m_addressList->setRootIsDecorated(false);
    m_addressList->setHeaderLabels({QStringLiteral("表示名"), QStringLiteral("コメント")});
    m_addressList->hide();
    m_leftSplitter->addWidget(m_folderTree);
    m_leftSplitter->addWidget(m_addressList);
    layout->addWidget(m_leftSplitter, 1);
    return column;
}

QWidget* MainWindow::createRightColumn()
{
    m_rightSplitter = new QSplitter(Qt::Vertical, this);
    m_rightSplitter->setObjectName(QStringLiteral("imgSpl1"));
    m_rightSplitter->setChildrenCollapsible(false);
    m_mailList = new MailListView(m_rightSplitter);
    m_mailList->setObjectName(QStringLiteral("LsvMail"));
    m_mailList->setModel(m_controller->mailModel());
    m_preview = new PreviewBrowser(m_rightSplitter);
    m_preview->setObjectName(QStringLiteral("wbrMain"));
    m_rightSplitter->addWidget(createListPane());
    m_rightSplitter->addWidget(m_preview);
    m_rightSplitter->setStretchFactor(1, 1);
    return m_rightSplitter;
}

void MainWindow::connectSplitters()
{
    connect(m_mainSplitter, &QSplitter::splitterMoved, this, [this] { splitterMoved(0); });
    connect(m_rightSplitter, &QSplitter::splitterMoved, this, [this] { splitterMoved(1); });
    connect(m_leftSplitter, &QSplitter::splitterMoved, this, [this] { splitterMoved(2); });
}

int MainWindow::splitterOffset(int which) const
{
    const QSplitter* splitter = which == 0 ? m_mainSplitter : which == 1 ? m_rightSplitter : m_leftSplitter;
    // From the top left of the area below the menu bar and the tool bar, as the old window's form
    // had no menu bar in its coordinates and a tool bar half as tall.
    const QPoint origin = splitter->mapTo(centralWidget(), QPoint(0, 0));
    return which == 0 ? origin.x() : origin.y();
}

void MainWindow::splitterMoved(int which)
{
    const QSplitter* splitter = which == 0 ? m_mainSplitter : which == 1 ? m_rightSplitter : m_leftSplitter;
    const int position = splitterOffset(which) + splitter->sizes().value(0);
    const int twips = which == 0 ? widgets::twipsAcross(*this, position) : widgets::twipsDown(*this, position);
    m_controller->moveSplitter(which, twips);
}

void MainWindow::splittersMoved()
{
    resizeLayout();
    if (!m_controller->session().isWindowLoaded())
        applySplitters();
}

QSize MainWindow::formTwips() const
{
    const QWidget* form = centralWidget();
    return {widgets::twipsAcross(*this, form->width()), widgets::twipsDown(*this, form->height())};
}

void MainWindow::applySplitters()
{
    const auto place = [](QSplitter* splitter, int first) {
        const QList<int> sizes = splitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        if (total <= 0)
            return;
        first = std::clamp(first, 1, std::max(1, total - 1));
        splitter->setSizes({first, total - first});
    };
    const storage::SplitterPositions& twips = m_controller->splitters();
    place(m_mainSplitter, widgets::pixelsAcross(*this, twips.left) - splitterOffset(0));
    place(m_rightSplitter, widgets::pixelsDown(*this, twips.listBottom) - splitterOffset(1));
    place(m_leftSplitter, widgets::pixelsDown(*this, twips.treeBottom) - splitterOffset(2));
}

void MainWindow::resizeLayout()
{
    // The form is measured from the laid-out central area, also while the window is hidden.
    layout()->activate();
    m_controller->setFormSize(formTwips());
    if (!m_controller->session().isWindowLoaded() || isMinimized())
        return;
    recordNormalBounds();
    m_controller->fitSplitters();
    applySplitters();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Before the first show the splitters have no sizes to share out: they get their places now.
    resizeLayout();
    if (!m_columnsFitted && m_controller->session().isWindowLoaded()) {
        m_columnsFitted = true;
        if (!m_controller->display().columnWidthsStored)
            fitBuiltInColumns();
    }
}

void MainWindow::fitBuiltInColumns()
{
    QHeaderView* header = m_mailList->horizontalHeader();
    std::array<int, 6> widths{};
    for (int i = 0; i < kMailColumnCount; ++i)
        widths.at(i) = header->sectionSize(i);
    // A date as the list writes it, with the room a header section keeps around its text.
    const QFontMetrics metrics(m_mailList->font());
    const int dateWidth = metrics.horizontalAdvance(QStringLiteral("0000/00/00 00:00:00")) + 2 * metrics.averageCharWidth() + 8;
    // Room for the vertical scroll bar a longer folder brings, so that the row never scrolls sideways.
    const int available = m_mailList->width() - 2 * m_mailList->frameWidth()
        - m_mailList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_mailList);
    widths = mainwin::fitBuiltInColumns(widths, available, dateWidth, metrics.averageCharWidth() * 8);
    for (int i = 0; i < kMailColumnCount; ++i)
        header->resizeSection(i, widths.at(i));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    resizeLayout();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (m_controller->session().isWindowLoaded() && windowState() == Qt::WindowNoState)
        recordNormalBounds();
}

} // namespace fumibako::mainwin
