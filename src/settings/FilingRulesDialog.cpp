#include "settings/FilingRulesDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace fumibako::settings {

using platform::Answer;

FilingRulesDialog::FilingRulesDialog(const QString& rulesFile, filing::FolderExists folderExists,
                                     const RuleDialogContext& context, QWidget* parent)
    : QDialog(parent), m_editor(rulesFile, std::move(folderExists)), m_context(context),
      m_prompts(this, context.scriptedPrompts)
{
    setObjectName(QStringLiteral("frmFiling"));
    setWindowTitle(QStringLiteral("振り分け設定"));
    setModal(true);
    resize(820, 460);
    m_editor.load();
    auto* layout = new QHBoxLayout(this);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("lsvRules"));
    m_list->setModel(&m_editor);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setColumnWidth(FilingRulesEditor::EnabledColumn, 48);
    m_list->setColumnWidth(FilingRulesEditor::NameColumn, 180);
    m_list->setWordWrap(false);
    layout->addWidget(m_list, 1);
    layout->addLayout(createButtons());
    connect(m_list, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { editRow(index.row()); });
    // Enter edits the chosen rule, Delete deletes it, Space switches it (on the list).
    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(enter, &QShortcut::activated, this, [this] { editRow(selectedRow()); });
    auto* remove = new QShortcut(QKeySequence(Qt::Key_Delete), m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &FilingRulesDialog::removeSelected);
    auto* toggle = new QShortcut(QKeySequence(Qt::Key_Space), m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(toggle, &QShortcut::activated, this, [this] {
        const int row = selectedRow();
        if (row >= 0)
            m_editor.setEnabled(row, !m_editor.rules().at(row).enabled);
    });
    select(0);
    m_list->setFocus();
}

QLayout* FilingRulesDialog::createButtons()
{
    auto* buttons = new QVBoxLayout;
    const auto add = [&](const QString& name, const QString& caption, auto slot) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    add(QStringLiteral("cmdAdd"), QStringLiteral("追加(&A)..."), [this] {
        filing::Rule rule;
        rule.name = QStringLiteral("ルール%1").arg(m_editor.rules().size() + 1);
        rule.actions = {{filing::ActionKind::Move, QString()}};
        addRule(rule);
    });
    add(QStringLiteral("cmdEdit"), QStringLiteral("編集(&E)..."), [this] { editRow(selectedRow()); });
    add(QStringLiteral("cmdCopy"), QStringLiteral("コピー(&C)"), [this] { select(m_editor.copy(selectedRow())); });
    add(QStringLiteral("cmdDelete"), QStringLiteral("削除(&D)"), &FilingRulesDialog::removeSelected);
    add(QStringLiteral("cmdUp"), QStringLiteral("上へ(&U)"), [this] { select(m_editor.move(selectedRow(), -1)); });
    add(QStringLiteral("cmdDown"), QStringLiteral("下へ(&N)"), [this] { select(m_editor.move(selectedRow(), +1)); });
    buttons->addStretch(1);
    auto* save = add(QStringLiteral("cmdSave"), QStringLiteral("保存(&S)"), [this] {
        if (this->save())
            accept();
    });
    save->setDefault(true);
    add(QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"), [this] { QDialog::done(Rejected); });
    return buttons;
}

int FilingRulesDialog::selectedRow() const
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void FilingRulesDialog::select(int row)
{
    if (row < 0 || row >= m_editor.rowCount())
        return;
    m_list->selectRow(row);
    m_list->setCurrentIndex(m_editor.index(row, FilingRulesEditor::EnabledColumn));
}

void FilingRulesDialog::addRule(const filing::Rule& rule)
{
    RuleEditDialog dialog(rule, m_context, this);
    if (dialog.exec() == QDialog::Accepted)
        select(m_editor.add(dialog.rule(), selectedRow()));
}

void FilingRulesDialog::editRow(int row)
{
    if (row < 0 || row >= m_editor.rowCount())
        return;
    const filing::Rule& rule = m_editor.rules().at(row);
    if (rule.isBroken()) {
        m_prompts.message(m_editor.problemOf(row), QStringLiteral("振り分け設定"), platform::Icon::Information,
                          platform::Buttons::Ok);
        return;
    }
    RuleEditDialog dialog(rule, m_context, this);
    if (dialog.exec() == QDialog::Accepted)
        m_editor.replace(row, dialog.rule());
    select(row);
}

void FilingRulesDialog::removeSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString text = QStringLiteral("ルール「%1」を削除しますか？").arg(m_editor.rules().at(row).name);
    if (m_prompts.message(text, QStringLiteral("振り分け設定"), platform::Icon::Question, platform::Buttons::YesNo) != Answer::Yes)
        return;
    m_editor.remove(row);
    select(std::min(row, m_editor.rowCount() - 1));
}

bool FilingRulesDialog::save()
{
    if (m_editor.save())
        return true;
    m_prompts.message(QStringLiteral("振り分けルールを保存できませんでした"), QStringLiteral("振り分け設定"),
                      platform::Icon::Exclamation, platform::Buttons::Ok);
    return false;
}

void FilingRulesDialog::done(int result)
{
    // Closed without saving (the close box, Escape, "キャンセル") with changes: ask first.
    if (result != Accepted && m_editor.isChanged()) {
        const Answer answer = m_prompts.message(QStringLiteral("ルールの変更を保存しますか？"), QStringLiteral("振り分け設定"),
                                                platform::Icon::Question, platform::Buttons::SaveDiscardCancel);
        if (answer == Answer::Cancel)
            return;
        if (answer == Answer::Save) {
            if (!save())
                return;
            result = Accepted;
        }
    }
    QDialog::done(result);
}

} // namespace fumibako::settings
