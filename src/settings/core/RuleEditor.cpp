#include "settings/core/RuleEditor.h"

#include "filing/RuleWords.h"
#include "platform/mail/HeaderFields.h"

#include <algorithm>

namespace fumibako::settings {

using namespace fumibako::filing;

namespace {

bool isSize(ConditionField field)
{
    return field == ConditionField::SizeOver || field == ConditionField::SizeUnder;
}

QStringList headerNamesOf(const QString& text)
{
    QStringList names;
    for (const QString& name : text.split(u',', Qt::SkipEmptyParts)) {
        if (!name.trimmed().isEmpty())
            names.append(name.trimmed());
    }
    return names;
}

} // namespace

ConditionRow conditionRow(const Condition& condition)
{
    ConditionRow row;
    row.field = condition.field;
    row.headerNames = condition.headerNames.join(QStringLiteral(", "));
    row.match = condition.match;
    row.comparison = condition.comparison;
    row.addressPart = condition.addressPart;
    row.negated = condition.negated;
    row.text = isSize(condition.field) ? sizeText(condition.sizeBytes) : condition.keys.join(u'\n');
    return row;
}

Condition conditionOf(const ConditionRow& row, QString* problem)
{
    Condition condition;
    condition.field = row.field;
    condition.negated = row.negated;
    if (namesHeaders(row.field))
        condition.headerNames = headerNamesOf(row.headerNames);
    if (row.field == ConditionField::Address)
        condition.addressPart = row.addressPart;
    if (isSize(row.field)) {
        const std::optional<qint64> bytes = parseSizeText(row.text);
        condition.sizeBytes = bytes.value_or(0);
        *problem = bytes ? QString() : QStringLiteral("サイズは KB の数で入力してください（例: 500、2MB）");
        return condition;
    }
    if (comparesText(row.field)) {
        condition.match = row.match;
        condition.comparison = row.comparison;
        // One key a line; the last line break of the box is no empty key.
        QString text = row.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (text.endsWith(u'\n'))
            text.chop(1);
        condition.keys = text.split(u'\n');
    }
    *problem = filing::conditionProblem(condition);
    return condition;
}

RuleEditor::RuleEditor(const Rule& rule)
    : name(rule.name), enabled(rule.enabled), matchAll(rule.matchAll), chained(rule.chained)
{
    for (const Condition& condition : rule.conditions)
        conditions.append(conditionRow(condition));
    for (const Action& action : normalizedActions(rule.actions))
        actions.append({action.kind, action.folder});
}

bool RuleEditor::decidesAtServer() const
{
    return std::any_of(actions.cbegin(), actions.cend(),
                       [](const ActionRow& action) { return filing::decidesAtServer(action.kind); });
}

QString RuleEditor::conditionProblem(int row) const
{
    QString problem;
    const Condition condition = conditionOf(conditions.at(row), &problem);
    if (problem.isEmpty() && decidesAtServer())
        problem = atServerConditionProblem(condition);
    return problem;
}

QString RuleEditor::actionProblem(int row) const
{
    const ActionRow& action = actions.at(row);
    if ((action.kind == ActionKind::Move || action.kind == ActionKind::Copy) && action.folder.isEmpty())
        return QStringLiteral("振り分け先のフォルダを選んでください");
    if (!filing::decidesAtServer(action.kind))
        return QString();
    QList<Action> all;
    for (const ActionRow& other : actions)
        all.append({other.kind, other.folder});
    return atServerActionsProblem(all);
}

QString RuleEditor::conditionsProblem() const
{
    for (int i = 0; i < conditions.size(); ++i) {
        const QString problem = conditionProblem(i);
        if (!problem.isEmpty())
            return QStringLiteral("条件 %1: ").arg(i + 1) + problem;
    }
    return QString();
}

QString RuleEditor::problem() const
{
    if (const QString problem = conditionsProblem(); !problem.isEmpty())
        return problem;
    for (int i = 0; i < actions.size(); ++i) {
        const QString problem = actionProblem(i);
        if (!problem.isEmpty())
            return QStringLiteral("動作 %1: ").arg(i + 1) + problem;
    }
    if (actions.isEmpty())
        return QStringLiteral("動作を一つ以上追加してください");
    return QString();
}

Rule RuleEditor::rule() const
{
    Rule rule;
    rule.name = name.trimmed().isEmpty() ? QStringLiteral("ルール") : name.trimmed();
    rule.enabled = enabled;
    rule.chained = chained;
    for (const ConditionRow& row : conditions) {
        QString problem;
        rule.conditions.append(conditionOf(row, &problem));
    }
    // With no conditions there is nothing to join.
    rule.matchAll = matchAll || rule.conditions.isEmpty();
    QList<Action> list;
    for (const ActionRow& row : actions)
        list.append({row.kind, row.kind == ActionKind::Move || row.kind == ActionKind::Copy ? row.folder : QString()});
    rule.actions = normalizedActions(list);
    return rule;
}

QList<int> RuleEditor::tryOn(const storage::MailList& shown, const QString& inputDir,
                             const AddressBookLookup* addressBook) const
{
    QList<int> taken;
    if (!conditionsProblem().isEmpty())
        return taken;
    Rule candidate = rule();
    candidate.enabled = true;
    const RuleStage stage({candidate}, {}, addressBook);
    for (int i = 0; i < shown.size(); ++i) {
        const storage::MailRow& row = shown.at(i);
        FilingInput message = FilingInput::withKnownFields(inputDir + row.keyString(), row.field1().toString(),
                                                           row.subject().toString(), row.attachment);
        if (stage.holds(0, message))
            taken.append(i);
    }
    return taken;
}

Rule RuleEditor::ruleForSender(const QString& from)
{
    const QStringList entries = platform::mail::splitAddressList(from);
    const QString address = entries.isEmpty() ? from.trimmed() : platform::mail::parseAddress(entries.first()).address;
    Rule rule;
    rule.name = QStringLiteral("差出人 ") + address;
    Condition sender;
    sender.field = ConditionField::Address;
    sender.headerNames = {QStringLiteral("From")};
    sender.match = MatchType::Is;
    sender.keys = {address};
    rule.conditions = {sender};
    rule.actions = {{ActionKind::Move, QString()}};
    return rule;
}

std::optional<Rule> RuleEditor::ruleForList(const QString& path)
{
    FilingInput message = FilingInput::fromFile(path);
    const QStringList values = message.header(QStringLiteral("List-Id"));
    if (values.isEmpty() || values.first().trimmed().isEmpty())
        return std::nullopt;
    // "Name <list.example.jp>": the id between the angle brackets names the list whatever its name.
    QString id = values.first().trimmed();
    const qsizetype open = id.lastIndexOf(u'<');
    const qsizetype close = id.lastIndexOf(u'>');
    if (open >= 0 && close > open + 1)
        id = id.mid(open + 1, close - open - 1);
    Rule rule;
    rule.name = QStringLiteral("メーリングリスト ") + id;
    Condition list;
    list.field = ConditionField::Header;
    list.headerNames = {QStringLiteral("List-Id")};
    list.keys = {id};
    rule.conditions = {list};
    rule.actions = {{ActionKind::Move, QString()}};
    return rule;
}

} // namespace fumibako::settings
