#include "filing/RuleFile.h"

#include "storage/ProfileStore.h"

#include <QRegularExpression>

#include <array>
#include <optional>

namespace fumibako::filing {

namespace {

const QString kHeaderSection = QStringLiteral("Filing");
const QString kRuleSectionPrefix = QStringLiteral("Rule");

// Names on disk, in the order of the enums.
constexpr std::array kFieldNames{"From",    "To",     "Cc",   "ToOrCc",   "Subject",    "Header",     "Address",
                                 "Exists",  "Body",   "SizeOver", "SizeUnder", "Attachment", "InAddressBook"};
constexpr std::array kMatchNames{"contains", "is", "begins", "ends", "wildcard", "regex"};
constexpr std::array kComparisonNames{"folded", "ascii", "exact"};
constexpr std::array kActionNames{"MarkRead", "Flag", "Copy", "Move", "Trash", "Stop", "LeaveOnServer", "DeleteOnServer"};

template<typename Enum, size_t N>
std::optional<Enum> enumNamed(const std::array<const char*, N>& names, QStringView text)
{
    for (size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(names[i]))
            return Enum(i);
    }
    return std::nullopt;
}

template<typename Enum, size_t N>
QString nameOf(const std::array<const char*, N>& names, Enum value)
{
    return QString::fromLatin1(names[size_t(value)]);
}

QString escaped(QString text)
{
    text.replace(QLatin1Char('%'), QLatin1String("%25"));
    text.replace(QLatin1Char('\t'), QLatin1String("%09"));
    text.replace(QLatin1Char('\r'), QLatin1String("%0D"));
    text.replace(QLatin1Char('\n'), QLatin1String("%0A"));
    return text;
}

QString unescaped(QString text)
{
    text.replace(QLatin1String("%09"), QLatin1String("\t"), Qt::CaseInsensitive);
    text.replace(QLatin1String("%0D"), QLatin1String("\r"), Qt::CaseInsensitive);
    text.replace(QLatin1String("%0A"), QLatin1String("\n"), Qt::CaseInsensitive);
    text.replace(QLatin1String("%25"), QLatin1String("%"));
    return text;
}

// A value as IniGetString gives it: one pair of outer quotes removed.
QString unquoted(const QString& value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QString conditionValue(const Condition& condition)
{
    QStringList flags;
    if (condition.negated)
        flags.append(QStringLiteral("not"));
    if (condition.addressPart == AddressPart::LocalPart)
        flags.append(QStringLiteral("localpart"));
    else if (condition.addressPart == AddressPart::Domain)
        flags.append(QStringLiteral("domain"));
    QStringList fields{nameOf(kFieldNames, condition.field), nameOf(kMatchNames, condition.match),
                       nameOf(kComparisonNames, condition.comparison),
                       flags.isEmpty() ? QStringLiteral("-") : flags.join(QLatin1Char(',')),
                       condition.headerNames.isEmpty() ? QStringLiteral("-") : escaped(condition.headerNames.join(u','))};
    if (condition.field == ConditionField::SizeOver || condition.field == ConditionField::SizeUnder)
        fields.append(QString::number(condition.sizeBytes));
    for (const QString& key : condition.keys)
        fields.append(escaped(key));
    return fields.join(QLatin1Char('\t'));
}

QString actionValue(const Action& action)
{
    QString value = nameOf(kActionNames, action.kind);
    if (action.kind == ActionKind::Move || action.kind == ActionKind::Copy)
        value += QLatin1Char('\t') + escaped(action.folder);
    return value;
}

std::optional<Condition> parseCondition(const QString& value)
{
    const QStringList fields = value.split(QLatin1Char('\t'));
    if (fields.size() < 5)
        return std::nullopt;
    Condition condition;
    const auto field = enumNamed<ConditionField>(kFieldNames, fields.at(0));
    const auto match = enumNamed<MatchType>(kMatchNames, fields.at(1));
    const auto comparison = enumNamed<Comparison>(kComparisonNames, fields.at(2));
    if (!field || !match || !comparison)
        return std::nullopt;
    condition.field = *field;
    condition.match = *match;
    condition.comparison = *comparison;
    if (fields.at(3) != QLatin1String("-")) {
        for (const QString& flag : fields.at(3).split(QLatin1Char(','))) {
            if (flag == QLatin1String("not"))
                condition.negated = true;
            else if (flag == QLatin1String("localpart"))
                condition.addressPart = AddressPart::LocalPart;
            else if (flag == QLatin1String("domain"))
                condition.addressPart = AddressPart::Domain;
            else
                return std::nullopt;
        }
    }
    if (fields.at(4) != QLatin1String("-"))
        condition.headerNames = unescaped(fields.at(4)).split(QLatin1Char(','));
    qsizetype next = 5;
    if (condition.field == ConditionField::SizeOver || condition.field == ConditionField::SizeUnder) {
        bool ok = false;
        condition.sizeBytes = fields.value(next++).toLongLong(&ok);
        if (!ok || condition.sizeBytes < 0)
            return std::nullopt;
    }
    for (qsizetype i = next; i < fields.size(); ++i)
        condition.keys.append(unescaped(fields.at(i)));
    return condition;
}

std::optional<Action> parseAction(const QString& value)
{
    const QStringList fields = value.split(QLatin1Char('\t'));
    const auto kind = enumNamed<ActionKind>(kActionNames, fields.at(0));
    if (!kind)
        return std::nullopt;
    const bool namesFolder = *kind == ActionKind::Move || *kind == ActionKind::Copy;
    if (fields.size() != (namesFolder ? 2 : 1))
        return std::nullopt;
    return Action{*kind, namesFolder ? unescaped(fields.at(1)) : QString()};
}

std::optional<bool> parseSwitch(const QString& value)
{
    if (value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("0"))
        return false;
    return std::nullopt;
}

// Reads one "key=value" line into @p rule; false when the line cannot be read.
bool readLine(const QString& line, Rule& rule)
{
    static const QRegularExpression numbered(QStringLiteral("^(If|Do)[0-9]+$"));
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return false;
    const QString key = line.left(equals);
    const QString value = unquoted(line.mid(equals + 1));
    if (key.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) {
        rule.name = unescaped(value);
        return true;
    }
    if (key.compare(QLatin1String("Enabled"), Qt::CaseInsensitive) == 0 || key.compare(QLatin1String("Chained"), Qt::CaseInsensitive) == 0) {
        const std::optional<bool> on = parseSwitch(value);
        (key.compare(QLatin1String("Enabled"), Qt::CaseInsensitive) == 0 ? rule.enabled : rule.chained) = on.value_or(false);
        return on.has_value();
    }
    if (key.compare(QLatin1String("Join"), Qt::CaseInsensitive) == 0) {
        rule.matchAll = value != QLatin1String("any");
        return value == QLatin1String("all") || value == QLatin1String("any");
    }
    if (!numbered.match(key).hasMatch())
        return false;
    if (key.startsWith(QLatin1String("If"))) {
        const std::optional<Condition> condition = parseCondition(value);
        if (condition)
            rule.conditions.append(*condition);
        return condition.has_value();
    }
    const std::optional<Action> action = parseAction(value);
    if (action)
        rule.actions.append(*action);
    return action.has_value();
}

} // namespace

QString rulesFile(const storage::AccountPaths& paths)
{
    return paths.userMailDir + QStringLiteral("FilingRules.ini");
}

QStringList ruleLines(const Rule& rule)
{
    if (rule.isBroken())
        return rule.storedLines;
    QStringList lines{QStringLiteral("Name=") + storage::quotedIfNeeded(escaped(rule.name)),
                      QStringLiteral("Enabled=") + (rule.enabled ? u'1' : u'0'),
                      QStringLiteral("Join=") + (rule.matchAll ? QStringLiteral("all") : QStringLiteral("any")),
                      QStringLiteral("Chained=") + (rule.chained ? u'1' : u'0')};
    for (qsizetype i = 0; i < rule.conditions.size(); ++i)
        lines.append(QStringLiteral("If%1=").arg(i + 1) + storage::quotedIfNeeded(conditionValue(rule.conditions.at(i))));
    const QList<Action> actions = normalizedActions(rule.actions);
    for (qsizetype i = 0; i < actions.size(); ++i)
        lines.append(QStringLiteral("Do%1=").arg(i + 1) + storage::quotedIfNeeded(actionValue(actions.at(i))));
    return lines;
}

Rule parseRuleLines(const QStringList& lines)
{
    Rule rule;
    for (const QString& line : lines) {
        if (!readLine(line, rule)) {
            Rule broken;
            broken.name = rule.name;
            broken.enabled = false;
            broken.broken = QStringLiteral("読めない行があります: ") + line;
            broken.storedLines = lines;
            return broken;
        }
    }
    return rule;
}

RuleList readRules(const QString& file)
{
    QStringList sections;
    RuleList rules;
    if (!storage::IniGetSectionNames(file, sections))
        return rules;
    for (const QString& section : std::as_const(sections)) {
        if (!section.startsWith(kRuleSectionPrefix, Qt::CaseInsensitive))
            continue;
        QStringList lines;
        storage::IniGetSection(section, file, lines);
        rules.append(parseRuleLines(lines));
    }
    return rules;
}

bool writeRules(const QString& file, const RuleList& rules)
{
    storage::ProfileWriteBatch batch;
    QStringList sections;
    storage::IniGetSectionNames(file, sections);
    for (const QString& section : std::as_const(sections))
        storage::IniDeleteSection(file, section);
    bool written = storage::IniWriteSection(kHeaderSection, file, {QStringLiteral("Version=1")});
    for (qsizetype i = 0; i < rules.size(); ++i) {
        // A section needs at least one line to be found again: a broken rule keeps at least its name.
        QStringList lines = ruleLines(rules.at(i));
        if (lines.isEmpty())
            lines.append(QStringLiteral("Name="));
        written = storage::IniWriteSection(kRuleSectionPrefix + QString::number(i + 1), file, lines) && written;
    }
    return batch.commit() && written;
}

} // namespace fumibako::filing
