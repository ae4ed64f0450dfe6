#include "settings/RuleEditDialog.h"

#include "settings/RuleRows.h"
#include "settings/core/TriedMailModel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

namespace fumibako::settings {

RuleEditDialog::RuleEditDialog(const filing::Rule& rule, const RuleDialogContext& context, QWidget* parent)
    : QDialog(parent), m_editor(rule), m_context(context), m_prompts(this, context.scriptedPrompts)
{
    setObjectName(QStringLiteral("frmRule"));
    setWindowTitle(QStringLiteral("ルールの編集"));
    setModal(true);
    resize(760, 600);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createHead());
    layout->addWidget(createRowsArea(), 1);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("lblProblem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    layout->addWidget(m_problem);
    layout->addLayout(createButtons());
    rebuildRows();
    m_name->setFocus();
}

QWidget* RuleEditDialog::createHead()
{
    auto* head = new QWidget(this);
    auto* grid = new QGridLayout(head);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("名前(&N):"), head);
    m_name = new QLineEdit(m_editor.name, head);
    m_name->setObjectName(QStringLiteral("txtRuleName"));
    label->setBuddy(m_name);
    m_enabled = new QCheckBox(QStringLiteral("このルールを使う(&U)"), head);
    m_enabled->setObjectName(QStringLiteral("chkEnabled"));
    m_enabled->setChecked(m_editor.enabled);
    m_all = new QRadioButton(QStringLiteral("すべての条件に当てはまるとき(&L)"), head);
    m_all->setObjectName(QStringLiteral("optAll"));
    m_any = new QRadioButton(QStringLiteral("どれかの条件に当てはまるとき(&Y)"), head);
    m_any->setObjectName(QStringLiteral("optAny"));
    (m_editor.matchAll ? m_all : m_any)->setChecked(true);
    auto* group = new QButtonGroup(head);
    group->addButton(m_all);
    group->addButton(m_any);
    m_chained = new QCheckBox(QStringLiteral("前のルールに当てはまらなかったときだけ使う(&P)"), head);
    m_chained->setObjectName(QStringLiteral("chkChained"));
    m_chained->setChecked(m_editor.chained);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);
    grid->addWidget(m_enabled, 1, 1);
    grid->addWidget(m_chained, 1, 2);
    grid->addWidget(m_all, 2, 1);
    grid->addWidget(m_any, 2, 2);
    connect(m_name, &QLineEdit::textChanged, this, &RuleEditDialog::rowsEdited);
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{m_enabled, m_all, m_chained})
        connect(button, &QAbstractButton::toggled, this, &RuleEditDialog::rowsEdited);
    return head;
}

QWidget* RuleEditDialog::createRowsArea()
{
    auto* area = new QScrollArea(this);
    area->setWidgetResizable(true);
    auto* inner = new QWidget(area);
    auto* layout = new QVBoxLayout(inner);
    auto* conditions = new QGroupBox(QStringLiteral("条件"), inner);
    auto* conditionsLayout = new QVBoxLayout(conditions);
    m_conditionRows = new QVBoxLayout;
    conditionsLayout->addLayout(m_conditionRows);
    auto* addCondition = new QPushButton(QStringLiteral("条件を追加(&C)"), conditions);
    addCondition->setObjectName(QStringLiteral("cmdAddCondition"));
    addCondition->setAutoDefault(false);
    conditionsLayout->addWidget(addCondition, 0, Qt::AlignLeft);
    auto* actions = new QGroupBox(QStringLiteral("動作"), inner);
    auto* actionsLayout = new QVBoxLayout(actions);
    m_actionRows = new QVBoxLayout;
    actionsLayout->addLayout(m_actionRows);
    auto* addAction = new QPushButton(QStringLiteral("動作を追加(&A)"), actions);
    addAction->setObjectName(QStringLiteral("cmdAddAction"));
    addAction->setAutoDefault(false);
    actionsLayout->addWidget(addAction, 0, Qt::AlignLeft);
    layout->addWidget(conditions);
    layout->addWidget(actions);
    layout->addStretch(1);
    area->setWidget(inner);
    connect(addCondition, &QPushButton::clicked, this, &RuleEditDialog::addCondition);
    connect(addAction, &QPushButton::clicked, this, &RuleEditDialog::addAction);
    return area;
}

QLayout* RuleEditDialog::createButtons()
{
    auto* buttons = new QHBoxLayout;
    auto* tryButton = new QPushButton(QStringLiteral("試す(&T)"), this);
    tryButton->setObjectName(QStringLiteral("cmdTry"));
    tryButton->setAutoDefault(false);
    tryButton->setToolTip(QStringLiteral("表示中のフォルダのどのメールにこのルールが当てはまるかを見ます"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAutoDefault(false);
    buttons->addWidget(tryButton);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    connect(tryButton, &QPushButton::clicked, this, &RuleEditDialog::tryRule);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_editor.canSave())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

void RuleEditDialog::rebuildRows()
{
    m_rebuilding = true;
    for (QWidget* widget : m_conditionWidgets)
        widget->deleteLater();
    for (QWidget* widget : m_actionWidgets)
        widget->deleteLater();
    m_conditionWidgets.clear();
    m_actionWidgets.clear();
    for (qsizetype i = 0; i < m_editor.conditions.size(); ++i) {
        auto* row = new ConditionRowWidget(int(i + 1), m_editor.conditions.at(i), this);
        m_conditionRows->addWidget(row);
        m_conditionWidgets.append(row);
        connect(row, &ConditionRowWidget::edited, this, &RuleEditDialog::rowsEdited);
        connect(row, &ConditionRowWidget::removeRequested, this, [this, i] {
            m_editor.conditions.removeAt(i);
            rebuildRows();
        });
    }
    for (qsizetype i = 0; i < m_editor.actions.size(); ++i) {
        auto* row = new ActionRowWidget(int(i + 1), m_editor.actions.at(i), m_context.folders, this);
        m_actionRows->addWidget(row);
        m_actionWidgets.append(row);
        connect(row, &ActionRowWidget::edited, this, &RuleEditDialog::rowsEdited);
        connect(row, &ActionRowWidget::removeRequested, this, [this, i] {
            m_editor.actions.removeAt(i);
            rebuildRows();
        });
    }
    m_rebuilding = false;
    rowsEdited();
}

void RuleEditDialog::rowsEdited()
{
    if (m_rebuilding)
        return;
    m_editor.name = m_name->text();
    m_editor.enabled = m_enabled->isChecked();
    m_editor.matchAll = m_all->isChecked();
    m_editor.chained = m_chained->isChecked();
    for (qsizetype i = 0; i < m_conditionWidgets.size(); ++i) {
        m_editor.conditions[i] = m_conditionWidgets.at(i)->row();
        m_conditionWidgets.at(i)->showProblem(m_editor.conditionProblem(int(i)));
    }
    for (qsizetype i = 0; i < m_actionWidgets.size(); ++i) {
        m_editor.actions[i] = m_actionWidgets.at(i)->row();
        m_actionWidgets.at(i)->showProblem(m_editor.actionProblem(int(i)));
    }
    const QString problem = m_editor.problem();
    m_problem->setText(problem);
    m_ok->setEnabled(problem.isEmpty());
}

void RuleEditDialog::addCondition()
{
    m_editor.conditions.append(ConditionRow());
    rebuildRows();
    m_conditionWidgets.last()->setFocus();
}

void RuleEditDialog::addAction()
{
    m_editor.actions.append(ActionRow());
    rebuildRows();
    m_actionWidgets.last()->setFocus();
}

void RuleEditDialog::tryRule()
{
    if (!m_context.shownRows || m_context.shownRows->isEmpty()) {
        m_prompts.message(QStringLiteral("試すには、メールのあるフォルダを表示してから開いてください"), QStringLiteral("試す"),
                          platform::Icon::Information, platform::Buttons::Ok);
        return;
    }
    if (const QString problem = m_editor.conditionsProblem(); !problem.isEmpty()) {
        m_prompts.message(problem, QStringLiteral("試す"), platform::Icon::Exclamation, platform::Buttons::Ok);
        return;
    }
    const QList<int> taken = m_editor.tryOn(*m_context.shownRows, m_context.inputDir, m_context.addressBook);
    QList<storage::MailRow> rows;
    for (int row : taken)
        rows.append(m_context.shownRows->at(row));
    QDialog results(this);
    results.setObjectName(QStringLiteral("frmTry"));
    results.setWindowTitle(QStringLiteral("試す"));
    results.resize(640, 400);
    auto* layout = new QVBoxLayout(&results);
    auto* count = new QLabel(QStringLiteral("「%1」の %2 通のうち %3 通にこのルールが当てはまります")
                                 .arg(m_context.shownFolder)
                                 .arg(m_context.shownRows->size())
                                 .arg(rows.size()),
                             &results);
    count->setObjectName(QStringLiteral("lblTried"));
    auto* view = new QTableView(&results);
    view->setObjectName(QStringLiteral("lsvTried"));
    view->setModel(new TriedMailModel(rows, view));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->setColumnWidth(0, 200);
    view->setColumnWidth(1, 280);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, &results);
    close->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(close, &QDialogButtonBox::rejected, &results, &QDialog::reject);
    layout->addWidget(count);
    layout->addWidget(view, 1);
    layout->addWidget(close);
    results.exec();
}

} // namespace fumibako::settings
