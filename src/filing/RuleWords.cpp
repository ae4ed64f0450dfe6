#include "filing/RuleWords.h"

#include <QRegularExpression>

#include <optional>

namespace fumibako::filing {

QStringList conditionFieldLabels()
{
    return {QStringLiteral("差出人"),         QStringLiteral("宛先(To)"),       QStringLiteral("Cc"),
            QStringLiteral("宛先またはCc"),   QStringLiteral("件名"),           QStringLiteral("ヘッダー（名前を指定）"),
            QStringLiteral("アドレス（ヘッダーを指定）"), QStringLiteral("ヘッダーがある"), QStringLiteral("本文"),
            QStringLiteral("サイズが次より大きい"), QStringLiteral("サイズが次より小さい"), QStringLiteral("添付ファイルがある"),
            QStringLiteral("差出人がアドレス帳にある")};
}

QStringList matchTypeLabels()
{
    return {QStringLiteral("を含む"),     QStringLiteral("と一致する"), QStringLiteral("で始まる"),
            QStringLiteral("で終わる"),   QStringLiteral("にワイルドカード(* ?)で一致する"),
            QStringLiteral("に正規表現で一致する")};
}

QStringList comparisonLabels()
{
    return {QStringLiteral("全角・半角、大文字・小文字を区別しない"), QStringLiteral("英字の大文字・小文字だけ区別しない"),
            QStringLiteral("厳密に比べる（区別する）")};
}

QStringList addressPartLabels()
{
    return {QStringLiteral("アドレス全体"), QStringLiteral("@より前"), QStringLiteral("ドメイン(@より後)")};
}

QStringList actionLabels()
{
    return {QStringLiteral("既読にする"),       QStringLiteral("フラグを立てる"), QStringLiteral("フォルダへコピー"),
            QStringLiteral("フォルダへ移動"),   QStringLiteral("ごみ箱へ移動"),   QStringLiteral("ここで終了"),
            QStringLiteral("受信しない"),       QStringLiteral("サーバーから削除")};
}

QString sizeText(qint64 bytes)
{
    return bytes % 1024 == 0 ? QString::number(bytes / 1024) : QString::number(bytes) + u'B';
}

std::optional<qint64> parseSizeText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]+)\\s*(B|K|KB|M|MB)?\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    bool ok = false;
    const qint64 number = match.captured(1).toLongLong(&ok);
    if (!match.hasMatch() || !ok || number > (qint64(1) << 40))
        return std::nullopt;
    const QString unit = match.captured(2).toUpper();
    if (unit == QLatin1String("B"))
        return number;
    if (unit.startsWith(u'M'))
        return number * 1024 * 1024;
    return number * 1024;
}

namespace {

QString keysText(const QStringList& keys)
{
    QStringList quoted;
    for (const QString& key : keys)
        quoted.append(u'「' + key + u'」');
    return quoted.join(u'か');
}

QString fieldWord(const Condition& condition)
{
    switch (condition.field) {
    case ConditionField::Header: return QStringLiteral("ヘッダー ") + condition.headerNames.join(u',') + u' ';
    case ConditionField::Address:
        return condition.headerNames.join(u',') + QStringLiteral(" の")
            + addressPartLabels().at(int(condition.addressPart)).section(u'(', 0, 0);
    case ConditionField::Body: return QStringLiteral("本文");
    default: return conditionFieldLabels().at(int(condition.field));
    }
}

QString textTest(const Condition& condition)
{
    static const QStringList positive = {QStringLiteral("%1に%2を含む"),   QStringLiteral("%1が%2と一致する"),
                                         QStringLiteral("%1が%2で始まる"), QStringLiteral("%1が%2で終わる"),
                                         QStringLiteral("%1が%2に一致する（ワイルドカード）"),
                                         QStringLiteral("%1が%2に一致する（正規表現）")};
    static const QStringList negative = {QStringLiteral("%1に%2を含まない"),   QStringLiteral("%1が%2と一致しない"),
                                         QStringLiteral("%1が%2で始まらない"), QStringLiteral("%1が%2で終わらない"),
                                         QStringLiteral("%1が%2に一致しない（ワイルドカード）"),
                                         QStringLiteral("%1が%2に一致しない（正規表現）")};
    QString text = (condition.negated ? negative : positive).at(int(condition.match)).arg(fieldWord(condition),
                                                                                         keysText(condition.keys));
    if (condition.comparison == Comparison::Exact)
        text += QStringLiteral("（厳密）");
    return text;
}

QString actionSummary(const Action& action)
{
    switch (action.kind) {
    case ActionKind::Move: return action.folder + QStringLiteral("へ移動");
    case ActionKind::Copy: return action.folder + QStringLiteral("へコピー");
    default: return actionLabels().at(int(action.kind));
    }
}

} // namespace

QString conditionSummary(const Condition& condition)
{
    const bool no = condition.negated;
    switch (condition.field) {
    case ConditionField::SizeOver:
    case ConditionField::SizeUnder: {
        const QString size = sizeText(condition.sizeBytes);
        const QString amount = size.endsWith(u'B') ? size : size + QStringLiteral("KB");
        const bool over = condition.field == ConditionField::SizeOver;
        if (no)
            return QStringLiteral("サイズが%1%2").arg(amount, over ? QStringLiteral("以下") : QStringLiteral("以上"));
        return QStringLiteral("サイズが%1より%2").arg(amount, over ? QStringLiteral("大きい") : QStringLiteral("小さい"));
    }
    case ConditionField::Exists:
        return QStringLiteral("ヘッダー %1 が%2").arg(condition.headerNames.join(u','), no ? QStringLiteral("ない") : QStringLiteral("ある"));
    case ConditionField::HasAttachments:
        return no ? QStringLiteral("添付ファイルがない") : QStringLiteral("添付ファイルがある");
    case ConditionField::SenderInAddressBook:
        return no ? QStringLiteral("差出人がアドレス帳にない") : QStringLiteral("差出人がアドレス帳にある");
    default:
        return textTest(condition);
    }
}

QString ruleSummary(const Rule& rule)
{
    if (rule.isBroken())
        return QStringLiteral("（壊れています: %1）").arg(rule.broken);
    QStringList conditions;
    for (const Condition& condition : rule.conditions)
        conditions.append(conditionSummary(condition));
    QString text = conditions.isEmpty() ? QStringLiteral("すべてのメール")
                                        : conditions.join(rule.matchAll ? QStringLiteral(" かつ ") : QStringLiteral(" または "));
    if (rule.chained)
        text = QStringLiteral("（前のルールに当てはまらないとき）") + text;
    QStringList actions;
    for (const Action& action : normalizedActions(rule.actions))
        actions.append(actionSummary(action));
    return text + QStringLiteral(" → ") + (actions.isEmpty() ? QStringLiteral("何もしない") : actions.join(u'、'));
}

} // namespace fumibako::filing
