#include "addressbook/ImportWizardDialog.h"

#include "widgets/Buttons.h"
#include "widgets/FileDialogs.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace fumibako::addressbook {

using widgets::plainButton;

ImportWizardDialog::ImportWizardDialog(platform::UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_wizard(prompts)
{
    setObjectName(QStringLiteral("frmIm"));
    setWindowTitle(QStringLiteral("インポート"));
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(createChooseFilePage());
    m_pages->addWidget(createPreviewPage());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(createButtons());
    m_wizard.setPageChangedHandler([this] { showPage(); });
    showPage();
    resize(560, 400);
}

QWidget* ImportWizardDialog::createChooseFilePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("frmAdIm0"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Outlook Express等のアドレス帳を取り込みます。")));
    m_formats = new QButtonGroup(this);
    const QString captions[] = {QStringLiteral("Outlook Express(CSV形式)"), QStringLiteral("Al-Mail"),
                                QStringLiteral("Becky!　テキスト形式")};
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(captions[i]);
        option->setObjectName(QStringLiteral("opAddress%1").arg(i));
        m_formats->addButton(option, i);
        layout->addWidget(option);
    }
    m_formats->button(2)->setToolTip(QStringLiteral("初期化した状態で、カンマを選択したもののみ対応"));
    m_formats->button(0)->setChecked(true);
    connect(m_formats, &QButtonGroup::idClicked, this,
            [this](int id) { m_wizard.setFormat(static_cast<ImportFormat>(id)); });
    layout->addSpacing(8);
    auto* prompt = new QLabel(QStringLiteral("インポートしたいファイルのフルパスを指定してください。"));
    layout->addWidget(prompt);
    auto* row = new QHBoxLayout;
    m_path = new QLineEdit;
    m_path->setObjectName(QStringLiteral("txtAdPath"));
    prompt->setBuddy(m_path);
    QPushButton* browseButton = plainButton(QStringLiteral("cmdPath"), QStringLiteral("参照..."));
    connect(browseButton, &QPushButton::clicked, this, &ImportWizardDialog::browse);
    row->addWidget(m_path, 1);
    row->addWidget(browseButton);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* ImportWizardDialog::createPreviewPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("frmAdIm1"));
    auto* layout = new QVBoxLayout(page);
    m_preview = new QTreeView;
    m_preview->setObjectName(QStringLiteral("lstAddMain"));
    m_preview->setModel(&m_wizard.preview());
    m_preview->setRootIsDecorated(false);
    m_preview->setUniformRowHeights(true);
    m_preview->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_preview->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_preview->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::SelectedClicked);
    m_preview->setToolTip(QStringLiteral("選択してDELキーを押すことで、削除できます"));
    m_preview->header()->setSectionsClickable(true);
    m_preview->header()->setSortIndicatorShown(true);
    m_preview->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_preview->setColumnWidth(0, 150);
    m_preview->setColumnWidth(1, 200);
    m_preview->installEventFilter(this);
    connect(m_preview->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_wizard.preview().columnClicked(column);
        m_preview->header()->setSortIndicator(column, m_wizard.preview().descending() ? Qt::DescendingOrder
                                                                                        : Qt::AscendingOrder);
    });
    layout->addWidget(m_preview, 1);
    auto* hint = new QLabel(QStringLiteral("「表示名」を編集することもできます"));
    hint->setObjectName(QStringLiteral("lblIm"));
    layout->addWidget(hint);
    return page;
}

QLayout* ImportWizardDialog::createButtons()
{
    m_back = plainButton(QStringLiteral("cmdBack"), QStringLiteral("戻る"));
    m_next = plainButton(QStringLiteral("cmdNext"), QStringLiteral("次へ"));
    m_complete = plainButton(QStringLiteral("cmdComp"), QStringLiteral("完了"));
    QPushButton* close = plainButton(QStringLiteral("cmdCan"), QStringLiteral("閉じる"));
    connect(m_back, &QPushButton::clicked, this, [this] { m_wizard.back(); });
    connect(m_next, &QPushButton::clicked, this, &ImportWizardDialog::next);
    connect(m_complete, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : {m_back, m_next, m_complete, close})
        row->addWidget(b);
    return row;
}

void ImportWizardDialog::showPage()
{
    const bool preview = m_wizard.page() == ImportWizard::Page::Preview;
    m_pages->setCurrentIndex(preview ? 1 : 0);
    m_back->setEnabled(m_wizard.backEnabled());
    m_next->setEnabled(m_wizard.nextEnabled());
    m_complete->setVisible(preview);
    m_next->setDefault(!preview);
    if (preview)
        m_preview->setFocus();
}

void ImportWizardDialog::browse()
{
    const ImportFileDialog dialog = m_wizard.browseDialog();
    const QString current = m_path->text();
    const QString start = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString chosen = widgets::chooseOpenFile(this, dialog.title, start, dialog.filter);
    if (!chosen.isEmpty())
        m_path->setText(chosen);
}

void ImportWizardDialog::next()
{
    if (!m_wizard.next(m_path->text()))
        m_path->setFocus();
}

bool ImportWizardDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_preview && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        QList<int> rows;
        for (const QModelIndex& index : m_preview->selectionModel()->selectedRows())
            rows.append(index.row());
        m_wizard.preview().removeRowNumbers(rows);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace fumibako::addressbook
