#include "settings/core/FilingRulesEditor.h"

#include "filing/RuleFile.h"
#include "filing/RuleWords.h"

namespace fumibako::settings {

using namespace fumibako::filing;

FilingRulesEditor::FilingRulesEditor(const QString& rulesFile, FolderExists folderExists, QObject* parent)
    : QAbstractTableModel(parent), m_file(rulesFile), m_folderExists(std::move(folderExists))
{
}

void FilingRulesEditor::load()
{
    beginResetModel();
    m_rules = readRules(m_file);
    m_changed = false;
    endResetModel();
}

void FilingRulesEditor::changed(int first, int last)
{
    m_changed = true;
    Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

int FilingRulesEditor::add(const Rule& rule, int after)
{
    const int row = after < 0 || after >= m_rules.size() ? int(m_rules.size()) : after + 1;
    beginInsertRows(QModelIndex(), row, row);
    m_rules.insert(row, rule);
    endInsertRows();
    m_changed = true;
    return row;
}

void FilingRulesEditor::replace(int row, const Rule& rule)
{
    if (row < 0 || row >= m_rules.size())
        return;
    m_rules[row] = rule;
    changed(row, row);
}

int FilingRulesEditor::copy(int row)
{
    if (row < 0 || row >= m_rules.size())
        return -1;
    Rule duplicate = m_rules.at(row);
    duplicate.name += QStringLiteral(" のコピー");
    return add(duplicate, row);
}

void FilingRulesEditor::remove(int row)
{
    if (row < 0 || row >= m_rules.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rules.removeAt(row);
    endRemoveRows();
    m_changed = true;
}

int FilingRulesEditor::move(int row, int delta)
{
    const int to = row + delta;
    if (row < 0 || row >= m_rules.size() || to < 0 || to >= m_rules.size())
        return row;
    // Qt names the row a moved row goes in front of: one further down when moving down.
    beginMoveRows(QModelIndex(), row, row, QModelIndex(), delta > 0 ? to + 1 : to);
    m_rules.move(row, to);
    endMoveRows();
    m_changed = true;
    return to;
}

void FilingRulesEditor::setEnabled(int row, bool enabled)
{
    if (row < 0 || row >= m_rules.size() || m_rules.at(row).isBroken() || m_rules.at(row).enabled == enabled)
        return;
    m_rules[row].enabled = enabled;
    changed(row, row);
}

QString FilingRulesEditor::problemOf(int row) const
{
    const Rule& rule = m_rules.at(row);
    if (rule.isBroken())
        return QStringLiteral("このルールは壊れています（%1）。作り直してください").arg(rule.broken);
    for (const Action& action : rule.actions) {
        if ((action.kind == ActionKind::Move || action.kind == ActionKind::Copy) && m_folderExists
            && !m_folderExists(action.folder))
            return QStringLiteral("フォルダ「%1」がありません。このルールのメールは標準BOXに入ります").arg(action.folder);
    }
    return QString();
}

bool FilingRulesEditor::save()
{
    if (!writeRules(m_file, m_rules))
        return false;
    m_changed = false;
    return true;
}

int FilingRulesEditor::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rules.size());
}

int FilingRulesEditor::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FilingRulesEditor::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rules.size())
        return {};
    const Rule& rule = m_rules.at(index.row());
    const QString problem = problemOf(index.row());
    if (role == Qt::ToolTipRole)
        return problem.isEmpty() ? ruleSummary(rule) : problem;
    switch (index.column()) {
    case EnabledColumn:
        if (role == Qt::CheckStateRole)
            return rule.enabled ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::AccessibleTextRole)
            return rule.enabled ? QStringLiteral("有効") : QStringLiteral("無効");
        return {};
    case NameColumn:
        return role == Qt::DisplayRole ? QVariant(rule.name) : QVariant();
    case SummaryColumn:
        if (role != Qt::DisplayRole)
            return {};
        if (rule.isBroken())
            return QStringLiteral("［壊れています］ ") + rule.broken;
        return (problem.isEmpty() ? QString() : QStringLiteral("［フォルダがありません］ ")) + ruleSummary(rule);
    default:
        return {};
    }
}

bool FilingRulesEditor::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != EnabledColumn || role != Qt::CheckStateRole)
        return false;
    setEnabled(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags FilingRulesEditor::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == EnabledColumn && !m_rules.at(index.row()).isBroken())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant FilingRulesEditor::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case EnabledColumn: return QStringLiteral("有効");
    case NameColumn: return QStringLiteral("名前");
    case SummaryColumn: return QStringLiteral("条件と動作");
    default: return {};
    }
}

} // namespace fumibako::settings
