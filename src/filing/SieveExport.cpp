#include "filing/SieveExport.h"

#include "filing/SieveImport.h"
#include "storage/FolderTree.h"

#include <QSet>

namespace fumibako::filing {

namespace {

QString quoted(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString stringList(const QStringList& strings)
{
    if (strings.size() == 1)
        return quoted(strings.first());
    QStringList items;
    for (const QString& text : strings)
        items.append(quoted(text));
    return QLatin1Char('[') + items.join(QLatin1String(", ")) + QLatin1Char(']');
}

// A key of :matches that stands for its text alone: the wildcard characters escaped.
QString wildcardLiteral(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('*'), QLatin1String("\\*"));
    text.replace(QLatin1Char('?'), QLatin1String("\\?"));
    return text;
}

/** What a rule cannot be written as in Sieve; "" when it can. */
QString leftOutReason(const Rule& rule)
{
    if (rule.isBroken())
        return QStringLiteral("壊れているルールです");
    for (const Condition& condition : rule.conditions) {
        if (condition.field == ConditionField::HasAttachments)
            return QStringLiteral("添付ファイルの有無は Sieve で書けません");
        if (condition.field == ConditionField::SenderInAddressBook)
            return QStringLiteral("アドレス帳は Sieve で書けません");
    }
    if (rule.decidesAtServer())
        return QStringLiteral("「受信しない」「サーバーから削除」は Sieve で書けません（受信前にサーバーで決める動作がありません）");
    return QString();
}

class Writer {
public:
    QString script(const RuleList& rules, const QString& title);

private:
    QString conditionText(const Condition& condition);
    QString matchText(const Condition& condition, QStringList& keys);
    QString testText(const Rule& rule);
    QString actionLines(const Rule& rule, const QString& indent);
    void need(const QString& capability) { m_required.insert(capability); }

    QSet<QString> m_required;
};

QString Writer::matchText(const Condition& condition, QStringList& keys)
{
    keys = condition.keys;
    QString text;
    switch (condition.match) {
    case MatchType::Contains: text = QStringLiteral(":contains"); break;
    case MatchType::Is: text = QStringLiteral(":is"); break;
    case MatchType::Wildcard: text = QStringLiteral(":matches"); break;
    case MatchType::Regex:
        need(QStringLiteral("regex"));
        text = QStringLiteral(":regex");
        break;
    case MatchType::BeginsWith:
    case MatchType::EndsWith:
        text = QStringLiteral(":matches");
        for (QString& key : keys)
            key = condition.match == MatchType::BeginsWith ? wildcardLiteral(key) + u'*' : u'*' + wildcardLiteral(key);
        break;
    }
    if (condition.comparison == Comparison::Folded) {
        need(QStringLiteral("comparator-i;unicode-casemap"));
        text += QStringLiteral(" :comparator \"i;unicode-casemap\"");
    } else if (condition.comparison == Comparison::Exact) {
        text += QStringLiteral(" :comparator \"i;octet\"");
    }
    return text;
}

QString Writer::conditionText(const Condition& condition)
{
    QString text = condition.negated ? QStringLiteral("not ") : QString();
    QStringList keys;
    switch (condition.field) {
    case ConditionField::Exists:
        return text + QStringLiteral("exists ") + stringList(condition.headerNames);
    case ConditionField::SizeOver:
    case ConditionField::SizeUnder: {
        const qint64 bytes = condition.sizeBytes;
        const QString size = bytes > 0 && bytes % (1 << 20) == 0 ? QString::number(bytes >> 20) + u'M'
                             : bytes > 0 && bytes % 1024 == 0   ? QString::number(bytes >> 10) + u'K'
                                                                : QString::number(bytes);
        return text + (condition.field == ConditionField::SizeOver ? QStringLiteral("size :over ") : QStringLiteral("size :under ")) + size;
    }
    case ConditionField::Body: {
        need(QStringLiteral("body"));
        const QString match = matchText(condition, keys);
        return text + QStringLiteral("body :text ") + match + u' ' + stringList(keys);
    }
    case ConditionField::Address: {
        const QString part = condition.addressPart == AddressPart::LocalPart ? QStringLiteral(":localpart")
                             : condition.addressPart == AddressPart::Domain  ? QStringLiteral(":domain")
                                                                             : QStringLiteral(":all");
        const QString match = matchText(condition, keys);
        return text + QStringLiteral("address ") + part + u' ' + match + u' ' + stringList(condition.headerNames) + u' '
            + stringList(keys);
    }
    default: {
        QStringList names = fieldsRead(condition);
        if (condition.field != ConditionField::Header) {
            for (QString& name : names)
                name = name.toLower();
        }
        const QString match = matchText(condition, keys);
        return text + QStringLiteral("header ") + match + u' ' + stringList(names) + u' ' + stringList(keys);
    }
    }
}

QString Writer::testText(const Rule& rule)
{
    QStringList parts;
    for (const Condition& condition : rule.conditions)
        parts.append(conditionText(condition));
    QString test;
    if (parts.isEmpty())
        test = QStringLiteral("true");
    else if (parts.size() == 1 && rule.matchAll)
        test = parts.first();
    else
        test = (rule.matchAll ? QStringLiteral("allof (") : QStringLiteral("anyof (")) + parts.join(QStringLiteral(",\n        ")) + u')';
    if (rule.enabled)
        return test;
    if (parts.isEmpty())
        return QStringLiteral("false");
    // allof (false, the rule's own test): the test stays readable and holds nowhere.
    if (rule.matchAll && parts.size() > 1)
        return QStringLiteral("allof (false,\n        ") + parts.join(QStringLiteral(",\n        ")) + u')';
    return QStringLiteral("allof (false, ") + test + u')';
}

QString Writer::actionLines(const Rule& rule, const QString& indent)
{
    QStringList lines;
    for (const Action& action : normalizedActions(rule.actions)) {
        switch (action.kind) {
        case ActionKind::MarkRead:
        case ActionKind::Flag:
            need(QStringLiteral("imap4flags"));
            lines += action.kind == ActionKind::MarkRead ? QStringLiteral("addflag \"\\\\Seen\";")
                                                          : QStringLiteral("addflag \"\\\\Flagged\";");
            break;
        case ActionKind::Copy:
            need(QStringLiteral("fileinto"));
            need(QStringLiteral("copy"));
            lines += QStringLiteral("fileinto :copy ") + quoted(mailboxOfFolderKey(action.folder)) + u';';
            break;
        case ActionKind::Move:
            if (action.folder == storage::FixedFolder::Standard) {
                lines += QStringLiteral("keep;");
            } else {
                need(QStringLiteral("fileinto"));
                lines += QStringLiteral("fileinto ") + quoted(mailboxOfFolderKey(action.folder)) + u';';
            }
            lines += QStringLiteral("stop;"); // the rules end at the first that files the message
            break;
        case ActionKind::Trash:
            lines << QStringLiteral("discard;") << QStringLiteral("stop;");
            break;
        case ActionKind::Stop:
            lines += QStringLiteral("stop;");
            break;
        case ActionKind::LeaveOnServer:
        case ActionKind::DeleteOnServer:
            break; // such a rule is left out whole (leftOutReason)
        }
    }
    QString text;
    for (const QString& line : std::as_const(lines))
        text += indent + line + u'\n';
    return text;
}

QString Writer::script(const RuleList& rules, const QString& title)
{
    QString body;
    bool chainOpen = false; // the last command written was an if or elsif a chained rule may follow
    for (qsizetype i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules.at(i);
        const QString reason = leftOutReason(rule);
        if (!reason.isEmpty()) {
            body += QStringLiteral("\n# 書き出せなかったルール「%1」: %2\n").arg(rule.name, reason);
            chainOpen = false;
            continue;
        }
        const bool nextChained = i + 1 < rules.size() && rules.at(i + 1).chained;
        const bool always = rule.conditions.isEmpty() && rule.enabled;
        body += QStringLiteral("\n# rule:[%1]\n").arg(rule.name);
        if (rule.chained && !chainOpen && i > 0)
            body += QStringLiteral("# 前のルールを書き出せなかったため、ここから新しい if で始めます\n");
        const QString block = QStringLiteral(" {\n") + actionLines(rule, QStringLiteral("    ")) + QStringLiteral("}\n");
        // A rule for every message, with no chained rule after it, is an else or plain actions.
        const bool closes = always && !nextChained;
        if (rule.chained && chainOpen)
            body += closes ? QStringLiteral("else") + block : QStringLiteral("elsif ") + testText(rule) + block;
        else if (closes)
            body += actionLines(rule, QString());
        else
            body += QStringLiteral("if ") + testText(rule) + block;
        chainOpen = !closes;
    }
    QString head = QStringLiteral("# ") + title + u'\n';
    if (!m_required.isEmpty()) {
        // In a fixed order, so the same rules always give the same script.
        static const QStringList order = {QStringLiteral("fileinto"), QStringLiteral("copy"), QStringLiteral("imap4flags"),
                                          QStringLiteral("body"), QStringLiteral("regex"),
                                          QStringLiteral("comparator-i;unicode-casemap")};
        QStringList required;
        for (const QString& capability : order) {
            if (m_required.contains(capability))
                required.append(capability);
        }
        head += QStringLiteral("require ") + stringList(required) + QStringLiteral(";\n");
    }
    return head + body;
}

} // namespace

QString exportSieve(const RuleList& rules, const QString& title)
{
    return Writer().script(rules, title);
}

} // namespace fumibako::filing
