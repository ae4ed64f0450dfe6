#include "serverlist/ServerListWindow.h"

#include "serverlist/SearchWordsDialog.h"
#include "serverlist/ServerListView.h"
#include "serverlist/core/ServerListModel.h"
#include "platform/UserPrompts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace fumibako::serverlist {

using transfer::ServerList;

namespace {
// The lists in the order of their radio buttons and views.
constexpr transfer::ServerListPane kPanes[] = {transfer::ServerListPane::Server, transfer::ServerListPane::SearchResult};
} // namespace

ServerListWindow* ServerListWindow::open(QWidget* owner, const ServerListContext& context, std::function<void()> closed)
{
    auto* window = new ServerListWindow(owner, context);
    window->m_closed = std::move(closed);
    window->m_list->loadForWindow(context.userFile);
    window->fillSearchBox();
    window->refetch();
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    return window;
}

ServerListWindow::ServerListWindow(QWidget* owner, const ServerListContext& context)
    : QMainWindow(owner, Qt::Window), m_context(context),
      m_list(std::make_unique<ServerList>(context.receiver, context.guard, context.prompts))
{
    setObjectName(QStringLiteral("frmList"));
    setWindowTitle(QStringLiteral("メールリスト"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(createSearchRow());
    layout->addWidget(createChoiceRow());
    createLists();
    layout->addWidget(m_views[0], 1);
    layout->addWidget(m_views[1], 1);
    layout->addWidget(new QLabel(QStringLiteral("256件まで表示できます　Delキーでリストから削除できます"), central));
    setCentralWidget(central);
    createMenu();

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("stbList"));
    m_status = new QLabel(bar);
    bar->addWidget(m_status, 1);
    setStatusBar(bar);
    connect(m_list.get(), &ServerList::statusChanged, m_status, &QLabel::setText);
    connect(m_list.get(), &ServerList::rowsChanged, this, &ServerListWindow::showVisibleList);
    showVisibleList();
    resize(640, 480);
}

ServerListWindow::~ServerListWindow() = default;

QWidget* ServerListWindow::createSearchRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_searchBox = new QComboBox(row);
    m_searchBox->setObjectName(QStringLiteral("cmbSearch"));
    m_searchBox->setEditable(true);
    m_searchBox->setInsertPolicy(QComboBox::NoInsert); // only the editor changes the remembered words
    connect(m_searchBox->lineEdit(), &QLineEdit::returnPressed, this, &ServerListWindow::search);
    auto* searchButton = new QPushButton(QStringLiteral("検索"), row);
    searchButton->setObjectName(QStringLiteral("cmdSearch"));
    connect(searchButton, &QPushButton::clicked, this, &ServerListWindow::search);
    auto* refetchButton = new QPushButton(QStringLiteral("再取得"), row);
    refetchButton->setObjectName(QStringLiteral("cmdRe"));
    connect(refetchButton, &QPushButton::clicked, this, &ServerListWindow::refetch);
    layout->addWidget(m_searchBox, 1);
    layout->addWidget(searchButton);
    layout->addWidget(refetchButton);
    return row;
}

QWidget* ServerListWindow::createChoiceRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const QStringList columns{QStringLiteral("件名"), QStringLiteral("差出人"), QStringLiteral("日付")};
    for (int k = 0; k < 3; ++k) {
        m_columns[k] = new QCheckBox(columns.at(k), row);
        m_columns[k]->setObjectName(QStringLiteral("chkSearch%1").arg(k));
        m_columns[k]->setChecked(k < 2);
        layout->addWidget(m_columns[k]);
    }
    m_reverse = new QCheckBox(QStringLiteral("逆検索"), row);
    m_reverse->setObjectName(QStringLiteral("chkGyaku"));
    layout->addWidget(m_reverse);
    layout->addStretch(1);
    const QStringList lists{QStringLiteral("メールリスト"), QStringLiteral("検索結果")};
    for (int i = 0; i < 2; ++i) {
        m_choice[i] = new QRadioButton(lists.at(i), row);
        m_choice[i]->setObjectName(QStringLiteral("opHako%1").arg(i));
        const transfer::ServerListPane pane = kPanes[i];
        connect(m_choice[i], &QRadioButton::clicked, this, [this, pane] { m_list->setVisibleList(pane); });
        layout->addWidget(m_choice[i]);
    }
    return row;
}

void ServerListWindow::createLists()
{
    for (int i = 0; i < 2; ++i) {
        m_models[i] = new ServerListModel(*m_list, kPanes[i], this);
        m_views[i] = new ServerListView(this);
        m_views[i]->setObjectName(QStringLiteral("lsvList%1").arg(i));
        m_views[i]->setModel(m_models[i]);
        m_views[i]->header()->resizeSection(kNumberColumn, 50);
        m_views[i]->header()->resizeSection(kSubjectColumn, 260);
        m_views[i]->header()->resizeSection(kFromColumn, 160);
        connect(m_views[i], &ServerListView::deletePressed, this, &ServerListWindow::deleteRows);
        connect(m_views[i], &ServerListView::openRequested, this, &ServerListWindow::openCurrent);
        connect(m_views[i], &ServerListView::popupRequested, this, &ServerListWindow::showPopup);
    }
}

void ServerListWindow::createMenu()
{
    m_toolMenu = menuBar()->addMenu(QStringLiteral("ツール(&T)"));
    m_toolMenu->setObjectName(QStringLiteral("mnuTool"));
    QAction* words = m_toolMenu->addAction(QStringLiteral("検索リスト(&L)"));
    words->setObjectName(QStringLiteral("mnuSearchList"));
    connect(words, &QAction::triggered, this, &ServerListWindow::editSearchWords);
    m_toolMenu->addSeparator();
    const QStringList captions{QStringLiteral("選択メール受信(&P)"), QStringLiteral("選択メール受信＆削除(&S)"),
                               QStringLiteral("選択メール削除(&D)")};
    const QList<QKeySequence> keys{QKeySequence(Qt::CTRL | Qt::Key_P), QKeySequence(Qt::CTRL | Qt::Key_S),
                                   QKeySequence(Qt::CTRL | Qt::Key_D)};
    const transfer::SelectiveCommand commands[] = {transfer::SelectiveCommand::Receive,
                                                   transfer::SelectiveCommand::ReceiveDelete,
                                                   transfer::SelectiveCommand::Delete};
    for (int i = 0; i < 3; ++i) {
        const transfer::SelectiveCommand command = commands[i];
        QAction* action = m_toolMenu->addAction(captions.at(i));
        action->setObjectName(QStringLiteral("mnuSSen%1").arg(int(command)));
        action->setShortcut(keys.at(i));
        connect(action, &QAction::triggered, this, [this, command] { runSelective(command); });
    }
}

ServerListView* ServerListWindow::visibleView() const
{
    return m_views[int(m_list->visibleList())];
}

void ServerListWindow::showVisibleList()
{
    const int visible = int(m_list->visibleList());
    for (int i = 0; i < 2; ++i)
        m_views[i]->setVisible(i == visible);
    m_choice[visible]->setChecked(true);
}

void ServerListWindow::fillSearchBox()
{
    const QString typed = m_searchBox->currentText();
    m_searchBox->clear();
    m_searchBox->addItems(m_list->searchWords());
    m_searchBox->setEditText(typed);
}

void ServerListWindow::search()
{
    transfer::SearchColumns columns;
    columns.subject = m_columns[0]->isChecked();
    columns.from = m_columns[1]->isChecked();
    columns.date = m_columns[2]->isChecked();
    m_list->search(m_searchBox->currentText(), columns, m_reverse->isChecked());
}

void ServerListWindow::refetch()
{
    m_list->refetch();
}

void ServerListWindow::deleteRows()
{
    m_list->removeRows(visibleView()->selectedRowNumbers());
}

void ServerListWindow::openCurrent()
{
    ServerListView* view = visibleView();
    const int row = view->selectedCurrentRow();
    if (m_list->visibleRows().isEmpty() || row < 0)
        return;
    m_list->openMessage(row, m_context.showReceived);
}

void ServerListWindow::runSelective(transfer::SelectiveCommand command)
{
    m_list->runSelective(command, visibleView()->selectedRowNumbers());
}

void ServerListWindow::showPopup(const QPoint& globalPos)
{
    m_toolMenu->popup(globalPos);
}

void ServerListWindow::editSearchWords()
{
    QStringList words;
    for (int i = 0; i < m_searchBox->count(); ++i)
        words.append(m_searchBox->itemText(i));
    const std::array<QString, 3> fields = editorRowFields(*m_list, visibleView()->currentIndex().row());
    auto* dialog = new SearchWordsDialog(this, words, fields);
    connect(dialog, &SearchWordsDialog::closed, this, [this](const SearchWordsModel& edited) {
        if (!edited.saveTo(*m_list, m_context.userFile)) {
            // The words stay in the search box for this session.
            m_context.prompts.message(QStringLiteral("検索リストを保存できませんでした。\r\n") + m_context.userFile,
                                      QString(), platform::Icon::Exclamation, platform::Buttons::Ok);
        }
        fillSearchBox();
    });
    dialog->open();
}

void ServerListWindow::closeEvent(QCloseEvent* event)
{
    if (!m_list->mayClose()) {
        event->ignore();
        return;
    }
    event->accept();
    m_list->detachFromReceiver();
    if (m_closed)
        std::exchange(m_closed, nullptr)();
}

} // namespace fumibako::serverlist
