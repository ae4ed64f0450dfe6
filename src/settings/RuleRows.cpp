#include "settings/RuleRows.h"

#include "filing/RuleWords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

namespace fumibako::settings {

using namespace fumibako::filing;

namespace {

QComboBox* comboOf(const QStringList& labels, int current, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->addItems(labels);
    combo->setCurrentIndex(current);
    return combo;
}

QLabel* problemLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00000;"));
    label->hide();
    return label;
}

QToolButton* removeButton(const QString& what, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(QStringLiteral("削除"));
    button->setToolTip(what + QStringLiteral("を削除"));
    button->setAccessibleName(what + QStringLiteral("を削除"));
    return button;
}

} // namespace

ConditionRowWidget::ConditionRowWidget(int number, const ConditionRow& row, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("condition%1").arg(number));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 2, 0, 2);
    m_field = comboOf(conditionFieldLabels(), int(row.field), this);
    m_field->setObjectName(QStringLiteral("cmbField"));
    m_field->setAccessibleName(QStringLiteral("条件 %1 の項目").arg(number));
    m_names = new QLineEdit(row.headerNames, this);
    m_names->setObjectName(QStringLiteral("txtHeaderNames"));
    m_names->setPlaceholderText(QStringLiteral("ヘッダー名（例: List-Id）"));
    m_names->setAccessibleName(QStringLiteral("ヘッダー名"));
    m_part = comboOf(addressPartLabels(), int(row.addressPart), this);
    m_part->setObjectName(QStringLiteral("cmbAddressPart"));
    m_match = comboOf(matchTypeLabels(), int(row.match), this);
    m_match->setObjectName(QStringLiteral("cmbMatch"));
    m_match->setAccessibleName(QStringLiteral("比べ方"));
    m_text = new QPlainTextEdit(row.text, this);
    m_text->setObjectName(QStringLiteral("txtKeys"));
    m_text->setTabChangesFocus(true);
    m_text->setAccessibleName(QStringLiteral("比べる文字列（1行に1つ、どれかに当てはまれば条件に合う）"));
    m_text->setToolTip(m_text->accessibleName());
    m_text->setPlaceholderText(QStringLiteral("比べる文字列（1行に1つ。どれかに当てはまれば合います）"));
    m_text->setFixedHeight(m_text->fontMetrics().lineSpacing() * 2 + 12);
    m_sizeUnit = new QLabel(QStringLiteral("KB"), this);
    m_comparison = comboOf(comparisonLabels(), int(row.comparison), this);
    m_comparison->setObjectName(QStringLiteral("cmbComparison"));
    m_negated = new QCheckBox(QStringLiteral("当てはまらないとき"), this);
    m_negated->setObjectName(QStringLiteral("chkNot"));
    m_negated->setChecked(row.negated);
    QToolButton* remove = removeButton(QStringLiteral("条件 %1 ").arg(number), this);
    m_problem = problemLabel(this);

    grid->addWidget(m_field, 0, 0);
    grid->addWidget(m_names, 0, 1);
    grid->addWidget(m_part, 0, 2);
    grid->addWidget(m_match, 0, 3);
    grid->addWidget(remove, 0, 4);
    auto* second = new QHBoxLayout;
    second->addWidget(m_text, 1);
    second->addWidget(m_sizeUnit);
    grid->addLayout(second, 1, 0, 1, 4);
    auto* third = new QHBoxLayout;
    third->addWidget(m_comparison);
    third->addWidget(m_negated);
    third->addStretch(1);
    grid->addLayout(third, 2, 0, 1, 4);
    grid->addWidget(m_problem, 3, 0, 1, 5);
    grid->setColumnStretch(1, 1);

    connect(m_field, &QComboBox::currentIndexChanged, this, &ConditionRowWidget::fieldChanged);
    for (QComboBox* combo : {m_part, m_match, m_comparison})
        connect(combo, &QComboBox::currentIndexChanged, this, &ConditionRowWidget::edited);
    connect(m_names, &QLineEdit::textChanged, this, &ConditionRowWidget::edited);
    connect(m_text, &QPlainTextEdit::textChanged, this, &ConditionRowWidget::edited);
    connect(m_negated, &QCheckBox::toggled, this, &ConditionRowWidget::edited);
    connect(remove, &QToolButton::clicked, this, &ConditionRowWidget::removeRequested);
    fieldChanged();
}

void ConditionRowWidget::fieldChanged()
{
    const auto field = ConditionField(m_field->currentIndex());
    const bool text = comparesText(field);
    const bool size = field == ConditionField::SizeOver || field == ConditionField::SizeUnder;
    m_names->setVisible(namesHeaders(field));
    m_part->setVisible(field == ConditionField::Address);
    m_match->setVisible(text);
    m_comparison->setVisible(text);
    m_text->setVisible(text || size);
    m_sizeUnit->setVisible(size);
    Q_EMIT edited();
}

ConditionRow ConditionRowWidget::row() const
{
    ConditionRow row;
    row.field = ConditionField(m_field->currentIndex());
    row.headerNames = m_names->text();
    row.addressPart = AddressPart(m_part->currentIndex());
    row.match = MatchType(m_match->currentIndex());
    row.comparison = Comparison(m_comparison->currentIndex());
    row.negated = m_negated->isChecked();
    row.text = m_text->toPlainText();
    return row;
}

void ConditionRowWidget::showProblem(const QString& problem)
{
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
}

ActionRowWidget::ActionRowWidget(int number, const ActionRow& row, const QStringList& folders, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("action%1").arg(number));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    m_kind = comboOf(actionLabels(), int(row.kind), this);
    m_kind->setObjectName(QStringLiteral("cmbAction"));
    m_kind->setAccessibleName(QStringLiteral("動作 %1").arg(number));
    m_folder = new QComboBox(this);
    m_folder->setObjectName(QStringLiteral("cmbFolder"));
    m_folder->setAccessibleName(QStringLiteral("フォルダ"));
    m_folder->addItem(QStringLiteral("（フォルダを選んでください）"), QString());
    for (const QString& folder : folders)
        m_folder->addItem(folder, folder);
    // A folder the account no longer has stays shown, so the rule says what it meant.
    if (!row.folder.isEmpty() && !folders.contains(row.folder))
        m_folder->addItem(row.folder + QStringLiteral("（ありません）"), row.folder);
    m_folder->setCurrentIndex(std::max(0, m_folder->findData(row.folder)));
    QToolButton* remove = removeButton(QStringLiteral("動作 %1 ").arg(number), this);
    m_problem = problemLabel(this);
    layout->addWidget(m_kind, 0, 0);
    layout->addWidget(m_folder, 0, 1);
    layout->addWidget(remove, 0, 2);
    layout->addWidget(m_problem, 1, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &ActionRowWidget::kindChanged);
    connect(m_folder, &QComboBox::currentIndexChanged, this, &ActionRowWidget::edited);
    connect(remove, &QToolButton::clicked, this, &ActionRowWidget::removeRequested);
    kindChanged();
}

void ActionRowWidget::kindChanged()
{
    const auto kind = ActionKind(m_kind->currentIndex());
    m_folder->setVisible(kind == ActionKind::Move || kind == ActionKind::Copy);
    Q_EMIT edited();
}

ActionRow ActionRowWidget::row() const
{
    return {ActionKind(m_kind->currentIndex()), m_folder->currentData().toString()};
}

void ActionRowWidget::showProblem(const QString& problem)
{
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
}

} // namespace fumibako::settings
