#include "filing/SieveTests.h"

#include <optional>

namespace fumibako::filing::detail {

namespace {

constexpr qsizetype kMaxAlternatives = 64;

[[noreturn]] void fail(SievePosition at, const QString& message)
{
    throw SieveError{at, message};
}

// The tags and positional arguments of a test, read against the tags it takes.
struct TestOptions {
    std::optional<MatchType> match;
    bool matchesWildcards = false; // :matches, sorted out once the keys are known
    std::optional<Comparison> comparison;
    std::optional<AddressPart> part;
    std::optional<bool> over; // size
    bool textTransform = false;
    QList<SieveArgument> positional;
};

enum TagGroup { Match = 1, Comparator = 2, Part = 4, SizeLimit = 8, BodyTransform = 16 };

Comparison comparatorNamed(const SieveArgument& argument, const Capabilities& capabilities)
{
    if (argument.kind != SieveArgument::Kind::StringList || argument.strings.size() != 1)
        fail(argument.position, QStringLiteral(":comparator の後に比較方法の名前を書いてください"));
    const QString name = argument.strings.first().toLower();
    if (name == QLatin1String("i;ascii-casemap"))
        return Comparison::AsciiCase;
    if (name == QLatin1String("i;octet"))
        return Comparison::Exact;
    if (name == QLatin1String("i;unicode-casemap")) {
        capabilities.need(QStringLiteral("comparator-i;unicode-casemap"), argument.position);
        return Comparison::Folded;
    }
    fail(argument.position, QStringLiteral("使えない比較方法です: ") + argument.strings.first());
}

TestOptions readOptions(const SieveTest& test, int groups, const Capabilities& capabilities)
{
    TestOptions options;
    for (qsizetype i = 0; i < test.arguments.size(); ++i) {
        const SieveArgument& argument = test.arguments.at(i);
        if (argument.kind != SieveArgument::Kind::Tag) {
            options.positional.append(argument);
            continue;
        }
        const QString& tag = argument.tag;
        const auto once = [&](bool seen) {
            if (seen)
                fail(argument.position, QStringLiteral("同じ種類のタグが二つあります: :") + tag);
        };
        if ((groups & Match) && (tag == QLatin1String("is") || tag == QLatin1String("contains")
                                 || tag == QLatin1String("matches") || tag == QLatin1String("regex"))) {
            once(options.match.has_value());
            if (tag == QLatin1String("regex"))
                capabilities.need(QStringLiteral("regex"), argument.position);
            options.match = tag == QLatin1String("is")         ? MatchType::Is
                            : tag == QLatin1String("contains") ? MatchType::Contains
                            : tag == QLatin1String("regex")    ? MatchType::Regex
                                                               : MatchType::Wildcard;
            options.matchesWildcards = tag == QLatin1String("matches");
        } else if ((groups & Comparator) && tag == QLatin1String("comparator")) {
            once(options.comparison.has_value());
            if (++i >= test.arguments.size())
                fail(argument.position, QStringLiteral(":comparator の後に比較方法の名前を書いてください"));
            options.comparison = comparatorNamed(test.arguments.at(i), capabilities);
        } else if ((groups & Part) && (tag == QLatin1String("all") || tag == QLatin1String("localpart")
                                       || tag == QLatin1String("domain"))) {
            once(options.part.has_value());
            options.part = tag == QLatin1String("all") ? AddressPart::All
                           : tag == QLatin1String("localpart") ? AddressPart::LocalPart : AddressPart::Domain;
        } else if ((groups & SizeLimit) && (tag == QLatin1String("over") || tag == QLatin1String("under"))) {
            once(options.over.has_value());
            options.over = tag == QLatin1String("over");
        } else if ((groups & BodyTransform) && tag == QLatin1String("text")) {
            once(options.textTransform);
            options.textTransform = true;
        } else if ((groups & BodyTransform) && (tag == QLatin1String("raw") || tag == QLatin1String("content"))) {
            fail(argument.position, QStringLiteral("body は :text だけ使えます: :") + tag);
        } else {
            fail(argument.position, QStringLiteral("%1 に使えないタグです: :%2").arg(test.name, tag));
        }
    }
    return options;
}

QStringList stringsAt(const TestOptions& options, qsizetype index, const SieveTest& test)
{
    if (index >= options.positional.size() || options.positional.at(index).kind != SieveArgument::Kind::StringList)
        fail(test.position, QStringLiteral("%1 の引数が足りません").arg(test.name));
    return options.positional.at(index).strings;
}

void expectPositional(const TestOptions& options, qsizetype count, const SieveTest& test)
{
    if (options.positional.size() > count)
        fail(options.positional.at(count).position, QStringLiteral("%1 の引数が多すぎます").arg(test.name));
    if (options.positional.size() < count)
        fail(test.position, QStringLiteral("%1 の引数が足りません").arg(test.name));
}

// An unescaped "*" or "?" of a :matches key.
bool hasWildcard(QStringView key)
{
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key[i] == u'\\')
            ++i;
        else if (key[i] == u'*' || key[i] == u'?')
            return true;
    }
    return false;
}

QString withoutEscapes(QStringView key)
{
    QString plain;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key[i] == u'\\' && i + 1 < key.size())
            ++i;
        plain += key[i];
    }
    return plain;
}

// Plain text between "*" marks: "text*" begins, "*text" ends, "*text*" contains, "text" is.
void sortOutWildcards(Condition& condition)
{
    const auto shaped = [&](bool leading, bool trailing) {
        for (const QString& key : std::as_const(condition.keys)) {
            QStringView inner(key);
            if (leading && !inner.startsWith(u'*'))
                return false;
            if (leading)
                inner = inner.sliced(1);
            if (trailing && !(inner.endsWith(u'*') && !inner.endsWith(QStringLiteral("\\*"))))
                return false;
            if (trailing)
                inner.chop(1);
            if (hasWildcard(inner))
                return false;
        }
        return true;
    };
    const struct { bool leading, trailing; MatchType match; } shapes[] = {
        {false, false, MatchType::Is}, {false, true, MatchType::BeginsWith},
        {true, false, MatchType::EndsWith}, {true, true, MatchType::Contains}};
    for (const auto& shape : shapes) {
        if (!shaped(shape.leading, shape.trailing))
            continue;
        condition.match = shape.match;
        for (QString& key : condition.keys) {
            QStringView inner(key);
            if (shape.leading)
                inner = inner.sliced(1);
            if (shape.trailing)
                inner.chop(1);
            key = withoutEscapes(inner);
        }
        return;
    }
}

ConditionField fieldOfHeaders(const QStringList& names)
{
    QStringList lower;
    for (const QString& name : names)
        lower.append(name.toLower());
    if (lower == QStringList{QStringLiteral("from")})
        return ConditionField::From;
    if (lower == QStringList{QStringLiteral("to")})
        return ConditionField::To;
    if (lower == QStringList{QStringLiteral("cc")})
        return ConditionField::Cc;
    if (lower == QStringList{QStringLiteral("to"), QStringLiteral("cc")})
        return ConditionField::ToOrCc;
    if (lower == QStringList{QStringLiteral("subject")})
        return ConditionField::Subject;
    return ConditionField::Header;
}

TestExpression literal(const Condition& condition)
{
    TestExpression expression;
    expression.kind = TestExpression::Kind::Literal;
    expression.literal = condition;
    return expression;
}

Condition textCondition(const TestOptions& options, ConditionField field)
{
    Condition condition;
    condition.field = field;
    condition.match = options.match.value_or(MatchType::Is);
    condition.comparison = options.comparison.value_or(Comparison::AsciiCase);
    condition.addressPart = options.part.value_or(AddressPart::All);
    return condition;
}

TestExpression readComparingTest(const SieveTest& test, const Capabilities& capabilities)
{
    const bool address = test.name == QLatin1String("address");
    const bool body = test.name == QLatin1String("body");
    if (body)
        capabilities.need(QStringLiteral("body"), test.position);
    const int groups = Match | Comparator | (address ? Part : 0) | (body ? BodyTransform : 0);
    const TestOptions options = readOptions(test, groups, capabilities);
    expectPositional(options, body ? 1 : 2, test);
    Condition condition = textCondition(options, body ? ConditionField::Body : ConditionField::Address);
    if (!body) {
        condition.headerNames = stringsAt(options, 0, test);
        if (!address) {
            condition.field = fieldOfHeaders(condition.headerNames);
            if (condition.field != ConditionField::Header)
                condition.headerNames.clear();
        }
    }
    condition.keys = stringsAt(options, body ? 0 : 1, test);
    if (options.matchesWildcards)
        sortOutWildcards(condition);
    const QString problem = conditionProblem(condition);
    if (!problem.isEmpty())
        fail(test.position, problem);
    return literal(condition);
}

void expectNoArguments(const SieveTest& test, int tests)
{
    if (!test.arguments.isEmpty())
        fail(test.arguments.first().position, QStringLiteral("%1 に引数は書けません").arg(test.name));
    if (tests >= 0 && test.tests.size() != tests)
        fail(test.position, QStringLiteral("%1 のテストの数が違います").arg(test.name));
}

} // namespace

void Capabilities::need(const QString& capability, SievePosition at) const
{
    if (!required.contains(capability))
        fail(at, QStringLiteral("拡張機能「%1」を require してください").arg(capability));
}

TestExpression readTest(const SieveTest& test, const Capabilities& capabilities)
{
    using Kind = TestExpression::Kind;
    TestExpression expression;
    if (test.name == QLatin1String("true") || test.name == QLatin1String("false")) {
        expectNoArguments(test, 0);
        expression.kind = test.name == QLatin1String("true") ? Kind::True : Kind::False;
        return expression;
    }
    if (test.name == QLatin1String("not")) {
        expectNoArguments(test, 1);
        return negation(readTest(test.tests.first(), capabilities));
    }
    if (test.name == QLatin1String("allof") || test.name == QLatin1String("anyof")) {
        expectNoArguments(test, -1);
        if (test.tests.isEmpty())
            fail(test.position, QStringLiteral("%1 にテストがありません").arg(test.name));
        expression.kind = test.name == QLatin1String("allof") ? Kind::All : Kind::Any;
        for (const SieveTest& part : test.tests)
            expression.children.append(readTest(part, capabilities));
        return expression;
    }
    if (!test.tests.isEmpty())
        fail(test.tests.first().position, QStringLiteral("%1 の中にテストは書けません").arg(test.name));
    if (test.name == QLatin1String("header") || test.name == QLatin1String("address") || test.name == QLatin1String("body"))
        return readComparingTest(test, capabilities);
    if (test.name == QLatin1String("exists")) {
        const TestOptions options = readOptions(test, 0, capabilities);
        expectPositional(options, 1, test);
        Condition condition;
        condition.field = ConditionField::Exists;
        condition.headerNames = stringsAt(options, 0, test);
        return literal(condition);
    }
    if (test.name == QLatin1String("size")) {
        const TestOptions options = readOptions(test, SizeLimit, capabilities);
        expectPositional(options, 1, test);
        if (!options.over || options.positional.first().kind != SieveArgument::Kind::Number)
            fail(test.position, QStringLiteral("size には :over か :under と数を書いてください"));
        Condition condition;
        condition.field = *options.over ? ConditionField::SizeOver : ConditionField::SizeUnder;
        condition.sizeBytes = options.positional.first().number;
        return literal(condition);
    }
    fail(test.position, QStringLiteral("使えないテストです: ") + test.name);
}

TestExpression allOf(const QList<TestExpression>& parts)
{
    TestExpression all;
    all.kind = TestExpression::Kind::All;
    for (const TestExpression& part : parts) {
        if (part.kind != TestExpression::Kind::True)
            all.children.append(part);
    }
    if (all.children.isEmpty())
        return TestExpression{};
    return all.children.size() == 1 ? all.children.first() : all;
}

TestExpression negation(TestExpression test)
{
    if (test.kind == TestExpression::Kind::Literal) {
        test.literal.negated = !test.literal.negated;
        return test;
    }
    if (test.kind == TestExpression::Kind::Not)
        return test.children.first();
    TestExpression negated;
    negated.kind = TestExpression::Kind::Not;
    negated.children = {std::move(test)};
    return negated;
}

QList<Conjunction> alternatives(const TestExpression& test, SievePosition at)
{
    using Kind = TestExpression::Kind;
    switch (test.kind) {
    case Kind::True: return {Conjunction()};
    case Kind::False: return {};
    case Kind::Literal: return {Conjunction{test.literal}};
    case Kind::Not: {
        // Negations go down to the conditions: not all = any not, not any = all not.
        const TestExpression& inner = test.children.first();
        TestExpression pushed;
        pushed.kind = inner.kind == Kind::All ? Kind::Any : inner.kind == Kind::Any ? Kind::All
                      : inner.kind == Kind::True ? Kind::False : Kind::True;
        if (inner.kind == Kind::All || inner.kind == Kind::Any) {
            for (const TestExpression& child : inner.children)
                pushed.children.append(negation(child));
        }
        return alternatives(pushed, at);
    }
    case Kind::Any: {
        QList<Conjunction> result;
        for (const TestExpression& child : test.children) {
            result += alternatives(child, at);
            if (result.size() > kMaxAlternatives)
                fail(at, QStringLiteral("条件が複雑すぎて取り込めません"));
        }
        return result;
    }
    case Kind::All: {
        QList<Conjunction> result{Conjunction()};
        for (const TestExpression& child : test.children) {
            QList<Conjunction> product;
            for (const Conjunction& left : std::as_const(result)) {
                for (const Conjunction& right : alternatives(child, at))
                    product.append(left + right);
                if (product.size() > kMaxAlternatives)
                    fail(at, QStringLiteral("条件が複雑すぎて取り込めません"));
            }
            result = product;
        }
        return result;
    }
    }
    return {};
}

} // namespace fumibako::filing::detail
