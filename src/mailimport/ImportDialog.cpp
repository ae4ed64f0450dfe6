#include "mailimport/ImportDialog.h"

#include "widgets/Buttons.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace fumibako::mailimport {

using widgets::plainButton;

ImportDialog::ImportDialog(const ImportServices& services, const QString& selectedKey, QWidget* parent)
    : QDialog(parent), m_controller(services)
{
    setObjectName(QStringLiteral("frmMailImport"));
    setWindowTitle(QStringLiteral("メールのインポート"));
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(createChoosePage());
    m_run = std::make_unique<RunPages>(m_pages, QStringLiteral("Import"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    m_controller.setTargetKey(selectedKey);
    for (const QString& key : m_controller.targetKeys())
        m_target->addItem(key, key);
    m_target->setCurrentIndex(std::max(0, m_target->findData(m_controller.targetKey())));
    connect(m_target, &QComboBox::currentIndexChanged, this,
            [this] { m_controller.setTargetKey(m_target->currentData().toString()); });
    connect(&m_controller, &ImportController::stateChanged, this, &ImportDialog::stateChanged);
    connect(&m_controller, &ImportController::progressed, this, [this](int messages, int percent, const QString& source) {
        m_run->setProgress(QStringLiteral("%1 通を読み込みました").arg(messages), percent, source);
    });
    connect(&m_controller, &ImportController::foldersAdded, this, &ImportDialog::foldersAdded);
    connect(&m_controller, &ImportController::mailFiled, this, &ImportDialog::mailFiled);
    connect(m_run->cancelButton(), &QPushButton::clicked, &m_controller, &ImportController::cancel);
    connect(m_run->closeButton(), &QPushButton::clicked, this, &QDialog::accept);
    refreshChoice();
    resize(620, 420);
}

ImportDialog::~ImportDialog() = default;

QWidget* ImportDialog::createChoosePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pgImportChoose"));
    auto* layout = new QVBoxLayout(page);
    auto* intro = new QLabel(QStringLiteral(
        "ほかのメールソフトのメールを取り込みます。mbox（Thunderbird のフォルダを含む）、Maildir、MH の"
        "フォルダ、.eml ファイルを読み込み、フォルダの構成はインポート先の下に作ります。"
        "以前にインポートしたメールは、もう一度取り込みません。"));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* sourcesLabel = new QLabel(QStringLiteral("インポートするファイルとフォルダ(&S):"));
    layout->addWidget(sourcesLabel);
    auto* row = new QHBoxLayout;
    m_sources = new QListWidget;
    m_sources->setObjectName(QStringLiteral("lstImportSources"));
    sourcesLabel->setBuddy(m_sources);
    row->addWidget(m_sources, 1);
    auto* buttons = new QVBoxLayout;
    QPushButton* files = plainButton(QStringLiteral("cmdAddFiles"), QStringLiteral("ファイルを追加(&F)..."));
    QPushButton* folder = plainButton(QStringLiteral("cmdAddFolder"), QStringLiteral("フォルダを追加(&D)..."));
    m_remove = plainButton(QStringLiteral("cmdRemoveSource"), QStringLiteral("取り除く(&R)"));
    for (QPushButton* b : {files, folder, m_remove})
        buttons->addWidget(b);
    buttons->addStretch(1);
    row->addLayout(buttons);
    layout->addLayout(row, 1);
    auto* targetRow = new QHBoxLayout;
    auto* targetLabel = new QLabel(QStringLiteral("インポート先のフォルダ(&T):"));
    m_target = new QComboBox;
    m_target->setObjectName(QStringLiteral("cmbImportTarget"));
    targetLabel->setBuddy(m_target);
    targetRow->addWidget(targetLabel);
    targetRow->addWidget(m_target, 1);
    layout->addLayout(targetRow);
    auto* end = new QHBoxLayout;
    end->addStretch(1);
    m_import = plainButton(QStringLiteral("cmdImport"), QStringLiteral("インポート(&I)"));
    QPushButton* close = plainButton(QStringLiteral("cmdImportClose"), QStringLiteral("閉じる"));
    end->addWidget(m_import);
    end->addWidget(close);
    layout->addLayout(end);
    connect(files, &QPushButton::clicked, this, &ImportDialog::addFiles);
    connect(folder, &QPushButton::clicked, this, &ImportDialog::addFolder);
    connect(m_remove, &QPushButton::clicked, this, [this] {
        m_controller.removePath(m_sources->currentRow());
        refreshChoice();
    });
    connect(m_sources, &QListWidget::currentRowChanged, this, &ImportDialog::refreshChoice);
    connect(m_import, &QPushButton::clicked, this, &ImportDialog::start);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    return page;
}

void ImportDialog::addFiles()
{
    addSources(QFileDialog::getOpenFileNames(this, QStringLiteral("インポートするファイル")));
}

void ImportDialog::addFolder()
{
    addSources({QFileDialog::getExistingDirectory(this, QStringLiteral("インポートするフォルダ"))});
}

void ImportDialog::addSources(const QStringList& paths)
{
    m_controller.addPaths(paths);
    refreshChoice();
}

void ImportDialog::refreshChoice()
{
    const int current = m_sources->currentRow();
    const QSignalBlocker blocker(m_sources);
    m_sources->clear();
    for (const QString& path : m_controller.paths())
        m_sources->addItem(QDir::toNativeSeparators(path));
    m_sources->setCurrentRow(std::min(current, int(m_sources->count()) - 1));
    m_remove->setEnabled(m_sources->currentRow() >= 0);
    m_import->setEnabled(m_controller.canStart());
    m_import->setDefault(m_controller.canStart());
}

void ImportDialog::startWith(const QStringList& paths)
{
    addSources(paths);
    start();
}

void ImportDialog::start()
{
    m_controller.start();
}

void ImportDialog::stateChanged(ImportController::State state)
{
    switch (state) {
    case ImportController::State::Choosing:
        m_pages->setCurrentIndex(0);
        break;
    case ImportController::State::Running:
        if (m_controller.isCancelling())
            m_run->showCancelling();
        else
            m_run->showProgress();
        break;
    case ImportController::State::Done:
        m_run->showReport(m_controller.reportText());
        break;
    }
}

void ImportDialog::reject()
{
    // Closed while it runs: the import stops after its message, and the report says so.
    if (m_controller.state() == ImportController::State::Running) {
        m_controller.cancel();
        return;
    }
    QDialog::reject();
}

} // namespace fumibako::mailimport
