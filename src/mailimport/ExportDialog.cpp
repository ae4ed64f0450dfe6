#include "mailimport/ExportDialog.h"

#include "widgets/Buttons.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace fumibako::mailimport {

using widgets::plainButton;

ExportDialog::ExportDialog(const ImportServices& services, platform::UserPrompts& prompts, const QString& folderKey,
                           QWidget* parent)
    : QDialog(parent), m_controller(services, prompts, folderKey)
{
    setObjectName(QStringLiteral("frmMailExport"));
    setWindowTitle(QStringLiteral("エクスポート - ") + folderKey);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(createChoosePage());
    m_run = std::make_unique<RunPages>(m_pages, QStringLiteral("Export"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    connect(&m_controller, &ExportController::stateChanged, this, &ExportDialog::stateChanged);
    connect(&m_controller, &ExportController::progressed, this, [this](int done, int total) {
        m_run->setProgress(QStringLiteral("%1 / %2 通を書き出しました").arg(done).arg(total),
                           total > 0 ? done * 100 / total : 100, QDir::toNativeSeparators(m_controller.target()));
    });
    connect(m_run->cancelButton(), &QPushButton::clicked, this, [this] {
        m_controller.cancel();
        m_run->showCancelling();
    });
    connect(m_run->closeButton(), &QPushButton::clicked, this, &QDialog::accept);
    m_target->setText(QDir::home().filePath(m_controller.suggestedFileName()));
    resize(560, 260);
}

ExportDialog::~ExportDialog() = default;

QWidget* ExportDialog::createChoosePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("pgExportChoose"));
    auto* layout = new QVBoxLayout(page);
    auto* intro = new QLabel(QStringLiteral("このフォルダのメールを、ほかのメールソフトで読めるファイルに書き出します。"
                                            "メールは保存されているとおりに書き出します。"));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_mbox = new QRadioButton(QStringLiteral("mbox ファイル（mboxrd 形式、1つのファイル）(&M)"));
    m_mbox->setObjectName(QStringLiteral("optExportMbox"));
    m_eml = new QRadioButton(QStringLiteral(".eml ファイル（1通ずつ、フォルダの中に）(&E)"));
    m_eml->setObjectName(QStringLiteral("optExportEml"));
    m_mbox->setChecked(true);
    layout->addWidget(m_mbox);
    layout->addWidget(m_eml);
    auto* targetLabel = new QLabel(QStringLiteral("書き出す先(&T):"));
    layout->addWidget(targetLabel);
    auto* row = new QHBoxLayout;
    m_target = new QLineEdit;
    m_target->setObjectName(QStringLiteral("txtExportTarget"));
    targetLabel->setBuddy(m_target);
    QPushButton* browseButton = plainButton(QStringLiteral("cmdExportBrowse"), QStringLiteral("参照(&B)..."));
    row->addWidget(m_target, 1);
    row->addWidget(browseButton);
    layout->addLayout(row);
    layout->addStretch(1);
    auto* end = new QHBoxLayout;
    end->addStretch(1);
    m_export = plainButton(QStringLiteral("cmdExport"), QStringLiteral("エクスポート(&X)"));
    m_export->setDefault(true);
    QPushButton* close = plainButton(QStringLiteral("cmdExportClose"), QStringLiteral("閉じる"));
    end->addWidget(m_export);
    end->addWidget(close);
    layout->addLayout(end);
    connect(m_mbox, &QRadioButton::toggled, this, &ExportDialog::formatChosen);
    connect(browseButton, &QPushButton::clicked, this, &ExportDialog::browse);
    connect(m_export, &QPushButton::clicked, this, [this] {
        m_controller.setTarget(m_target->text().trimmed());
        m_controller.start();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_target, &QLineEdit::textChanged, this, [this](const QString& text) { m_export->setEnabled(!text.trimmed().isEmpty()); });
    return page;
}

void ExportDialog::formatChosen()
{
    const bool mbox = m_mbox->isChecked();
    m_controller.setFormat(mbox ? ExportFormat::Mbox : ExportFormat::EmlFiles);
    // The suggestion follows the format: a file name for an mbox, a folder for .eml files.
    const QFileInfo target(m_target->text());
    const QString stem = m_controller.suggestedFileName().chopped(5);
    m_target->setText(target.dir().filePath(mbox ? stem + QStringLiteral(".mbox") : stem));
}

void ExportDialog::browse()
{
    const QString chosen = m_mbox->isChecked()
        ? QFileDialog::getSaveFileName(this, QStringLiteral("書き出す mbox ファイル"), m_target->text())
        : QFileDialog::getExistingDirectory(this, QStringLiteral(".eml ファイルを書き出すフォルダ"), m_target->text());
    if (!chosen.isEmpty())
        m_target->setText(QDir::toNativeSeparators(chosen));
}

void ExportDialog::stateChanged(ExportController::State state)
{
    if (state == ExportController::State::Running)
        m_run->showProgress();
    else if (state == ExportController::State::Done)
        m_run->showReport(m_controller.reportText());
}

void ExportDialog::reject()
{
    if (m_controller.state() == ExportController::State::Running) {
        m_controller.cancel();
        m_run->showCancelling();
        return;
    }
    QDialog::reject();
}

} // namespace fumibako::mailimport
