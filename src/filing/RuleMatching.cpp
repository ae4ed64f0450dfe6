#include "filing/RuleMatching.h"

#include "filing/FilingEngine.h"
#include "platform/mail/HeaderFields.h"

#include <algorithm>

namespace fumibako::filing {

QRegularExpression wildcardExpression(const QString& pattern, Comparison comparison)
{
    QString expression = QStringLiteral("\\A(?:");
    QString literal;
    const auto flushLiteral = [&] {
        expression += QRegularExpression::escape(comparedText(literal, comparison));
        literal.clear();
    };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            literal += pattern.at(++i);
        } else if (c == QLatin1Char('*') || c == QLatin1Char('?')) {
            flushLiteral();
            expression += c == QLatin1Char('*') ? QStringLiteral(".*") : QStringLiteral(".");
        } else {
            literal += c;
        }
    }
    flushLiteral();
    expression += QStringLiteral(")\\z");
    return QRegularExpression(expression, QRegularExpression::DotMatchesEverythingOption
                                              | QRegularExpression::UseUnicodePropertiesOption);
}

ConditionMatcher::ConditionMatcher(const Condition& condition)
    : m_condition(condition), m_fields(fieldsRead(condition))
{
    // Lower case, as the message keeps its fields: asked for many times, no name is lowered again.
    for (QString& name : m_fields)
        name = name.toLower();
    if (!comparesText(condition.field))
        return;
    for (const QString& key : condition.keys) {
        switch (condition.match) {
        case MatchType::Wildcard:
            m_expressions.push_back(wildcardExpression(key, condition.comparison));
            break;
        case MatchType::Regex: {
            QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
            if (condition.comparison != Comparison::Exact)
                options |= QRegularExpression::CaseInsensitiveOption;
            m_expressions.emplace_back(key, options);
            m_expressions.back().optimize();
            break;
        }
        default:
            m_keys.append(comparedText(key, condition.comparison));
            break;
        }
    }
}

FieldNeeds ConditionMatcher::needs() const
{
    FieldNeeds needs;
    switch (m_condition.field) {
    case ConditionField::Body: needs.body = true; break;
    case ConditionField::SizeOver:
    case ConditionField::SizeUnder: needs.size = true; break;
    case ConditionField::HasAttachments: needs.attachments = true; break;
    default:
        for (const QString& name : m_fields)
            needs.addHeader(name);
        break;
    }
    return needs;
}

bool ConditionMatcher::holds(FilingInput& message, const AddressBookLookup* addressBook) const
{
    return test(message, addressBook) != m_condition.negated;
}

bool ConditionMatcher::test(FilingInput& message, const AddressBookLookup* addressBook) const
{
    const Comparison comparison = m_condition.comparison;
    switch (m_condition.field) {
    case ConditionField::Body:
        return matches(message.body(comparison));
    case ConditionField::SizeOver:
        return message.size() > m_condition.sizeBytes;
    case ConditionField::SizeUnder:
        return message.size() < m_condition.sizeBytes;
    case ConditionField::HasAttachments:
        return message.hasAttachments();
    case ConditionField::Exists:
        return std::all_of(m_fields.cbegin(), m_fields.cend(),
                           [&](const QString& name) { return !message.header(name).isEmpty(); });
    case ConditionField::Address:
        return anyValueMatches(addressParts(message));
    case ConditionField::SenderInAddressBook: {
        if (!addressBook)
            return false;
        for (const QString& entry : platform::mail::splitAddressList(message.header(QStringLiteral("From")).join(u',')))
            if (addressBook->contains(platform::mail::parseAddress(entry).address))
                return true;
        return false;
    }
    default:
        break;
    }
    for (const QString& name : m_fields) {
        if (anyValueMatches(message.header(name, comparison)))
            return true;
    }
    return false;
}

QStringList ConditionMatcher::addressParts(FilingInput& message) const
{
    QStringList parts;
    for (const QString& name : m_fields) {
        for (const QString& value : message.header(name)) {
            for (const QString& entry : platform::mail::splitAddressList(value)) {
                const QString address = platform::mail::parseAddress(entry).address;
                const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
                QString part = address;
                if (m_condition.addressPart == AddressPart::LocalPart)
                    part = at < 0 ? address : address.left(at);
                else if (m_condition.addressPart == AddressPart::Domain)
                    part = at < 0 ? QString() : address.mid(at + 1);
                parts.append(comparedText(part, m_condition.comparison));
            }
        }
    }
    return parts;
}

bool ConditionMatcher::anyValueMatches(const QStringList& values) const
{
    return std::any_of(values.cbegin(), values.cend(), [this](const QString& value) { return matches(value); });
}

bool ConditionMatcher::matches(const QString& value) const
{
    switch (m_condition.match) {
    case MatchType::Contains:
        return std::any_of(m_keys.cbegin(), m_keys.cend(), [&](const QString& key) { return value.contains(key); });
    case MatchType::Is:
        return m_keys.contains(value);
    case MatchType::BeginsWith:
        return std::any_of(m_keys.cbegin(), m_keys.cend(), [&](const QString& key) { return value.startsWith(key); });
    case MatchType::EndsWith:
        return std::any_of(m_keys.cbegin(), m_keys.cend(), [&](const QString& key) { return value.endsWith(key); });
    case MatchType::Wildcard:
    case MatchType::Regex:
        return std::any_of(m_expressions.cbegin(), m_expressions.cend(),
                           [&](const QRegularExpression& expression) { return expression.match(value).hasMatch(); });
    }
    return false;
}

} // namespace fumibako::filing
