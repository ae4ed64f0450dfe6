#include "filing/FilingRule.h"

#include <QRegularExpression>

#include <algorithm>

namespace fumibako::filing {

bool Rule::files() const
{
    return std::any_of(actions.cbegin(), actions.cend(), [](const Action& action) {
        return action.kind == ActionKind::Move || action.kind == ActionKind::Trash;
    });
}

bool Rule::decidesAtServer() const
{
    return std::any_of(actions.cbegin(), actions.cend(),
                       [](const Action& action) { return filing::decidesAtServer(action.kind); });
}

QList<Action> normalizedActions(const QList<Action>& actions)
{
    QList<Action> flags, copies, moves;
    bool stop = false;
    for (const Action& action : actions) {
        switch (action.kind) {
        case ActionKind::MarkRead:
        case ActionKind::Flag:
            if (!flags.contains(action))
                flags.append(action);
            break;
        case ActionKind::Copy:
            if (!copies.contains(action))
                copies.append(action);
            break;
        case ActionKind::Move:
        case ActionKind::Trash:
        case ActionKind::LeaveOnServer:
        case ActionKind::DeleteOnServer:
            if (moves.isEmpty())
                moves.append(action); // only the first one counts: it ends the evaluation
            break;
        case ActionKind::Stop:
            stop = true;
            break;
        }
    }
    std::stable_sort(flags.begin(), flags.end(),
                     [](const Action& a, const Action& b) { return int(a.kind) < int(b.kind); });
    QList<Action> result = flags + copies + moves;
    if (stop && moves.isEmpty())
        result.append({ActionKind::Stop, QString()});
    return result;
}

bool comparesText(ConditionField field)
{
    switch (field) {
    case ConditionField::Exists:
    case ConditionField::SizeOver:
    case ConditionField::SizeUnder:
    case ConditionField::HasAttachments:
    case ConditionField::SenderInAddressBook:
        return false;
    default:
        return true;
    }
}

bool namesHeaders(ConditionField field)
{
    return field == ConditionField::Header || field == ConditionField::Address || field == ConditionField::Exists;
}

QStringList fieldsRead(const Condition& condition)
{
    switch (condition.field) {
    case ConditionField::From: return {QStringLiteral("From")};
    case ConditionField::To: return {QStringLiteral("To")};
    case ConditionField::Cc: return {QStringLiteral("Cc")};
    case ConditionField::ToOrCc: return {QStringLiteral("To"), QStringLiteral("Cc")};
    case ConditionField::Subject: return {QStringLiteral("Subject")};
    case ConditionField::SenderInAddressBook: return {QStringLiteral("From")};
    default: return condition.headerNames;
    }
}

namespace {

// A field name is printable ASCII without the colon (RFC 5322 2.2).
bool isFieldName(const QString& name)
{
    if (name.isEmpty())
        return false;
    return std::all_of(name.cbegin(), name.cend(),
                       [](QChar c) { return c.unicode() > 32 && c.unicode() < 127 && c != QLatin1Char(':'); });
}

} // namespace

QString conditionProblem(const Condition& condition)
{
    if (namesHeaders(condition.field)) {
        if (condition.headerNames.isEmpty())
            return QStringLiteral("ヘッダーの名前を入力してください");
        for (const QString& name : condition.headerNames) {
            if (!isFieldName(name))
                return QStringLiteral("ヘッダーの名前に使えない文字があります: ") + name;
        }
    }
    if ((condition.field == ConditionField::SizeOver || condition.field == ConditionField::SizeUnder)
        && condition.sizeBytes < 0)
        return QStringLiteral("サイズは0以上の数で指定してください");
    if (!comparesText(condition.field))
        return QString();
    if (condition.keys.isEmpty())
        return QStringLiteral("比べる文字列を入力してください");
    if (condition.match == MatchType::Regex) {
        for (const QString& key : condition.keys) {
            const QRegularExpression expression(key, QRegularExpression::UseUnicodePropertiesOption);
            if (!expression.isValid()) {
                // Qt's own description of the fault is English: the position says where.
                return QStringLiteral("正規表現が正しくありません（%1文字目）: %2")
                    .arg(expression.patternErrorOffset() + 1)
                    .arg(key);
            }
        }
    }
    return QString();
}

bool answerableAtServer(ConditionField field)
{
    switch (field) {
    case ConditionField::Body:
    case ConditionField::HasAttachments:
    case ConditionField::SenderInAddressBook:
        return false;
    default:
        return true;
    }
}

QString atServerConditionProblem(const Condition& condition)
{
    if (answerableAtServer(condition.field))
        return QString();
    return QStringLiteral("「受信しない」「サーバーから削除」のルールには、ヘッダーとサイズの条件だけが使えます"
                          "（本文・添付ファイル・アドレス帳の条件は受信前には分かりません）");
}

QString atServerActionsProblem(const QList<Action>& actions)
{
    const bool atServer = std::any_of(actions.cbegin(), actions.cend(),
                                      [](const Action& action) { return decidesAtServer(action.kind); });
    if (atServer && actions.size() > 1)
        return QStringLiteral("「受信しない」「サーバーから削除」は、ほかの動作と一緒には使えません");
    return QString();
}

QString ruleProblem(const Rule& rule)
{
    for (const Condition& condition : rule.conditions) {
        QString problem = conditionProblem(condition);
        if (problem.isEmpty() && rule.decidesAtServer())
            problem = atServerConditionProblem(condition);
        if (!problem.isEmpty())
            return problem;
    }
    if (const QString problem = atServerActionsProblem(rule.actions); !problem.isEmpty())
        return problem;
    for (const Action& action : rule.actions) {
        if ((action.kind == ActionKind::Move || action.kind == ActionKind::Copy) && action.folder.isEmpty())
            return QStringLiteral("振り分け先のフォルダを選んでください");
    }
    return QString();
}

} // namespace fumibako::filing
