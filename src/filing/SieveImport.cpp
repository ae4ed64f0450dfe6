#include "filing/SieveImport.h"

#include "filing/SieveTests.h"
#include "storage/FolderTree.h"
#include "storage/MailFolderView.h"

#include <algorithm>

namespace fumibako::filing {

using detail::TestExpression;

namespace {

[[noreturn]] void fail(SievePosition at, const QString& message)
{
    throw SieveError{at, message};
}

const QStringList kCapabilities = {
    QStringLiteral("fileinto"), QStringLiteral("copy"), QStringLiteral("imap4flags"), QStringLiteral("body"),
    QStringLiteral("regex"), QStringLiteral("comparator-i;unicode-casemap"), QStringLiteral("comparator-i;ascii-casemap"),
    QStringLiteral("comparator-i;octet"),
};

// The actions of one rule being read, with the name and place it was written at.
struct Segment {
    QList<Action> actions;
    QString name;
    SievePosition position;
    bool started = false;
};

class Importer {
public:
    SieveImport run(const QString& script);

private:
    void require(const SieveCommand& command);
    void block(const QList<SieveCommand>& commands, const TestExpression& guard, QString name);
    qsizetype chain(const QList<SieveCommand>& commands, qsizetype first, const TestExpression& guard);
    void readAction(const SieveCommand& command, QList<Action>& actions);
    Action folderAction(const SieveCommand& command);
    void emitRule(TestExpression test, const QList<Action>& actions, bool chained, const QString& name, SievePosition at);
    void flush(Segment& segment, const TestExpression& guard);

    detail::Capabilities m_capabilities;
    RuleList m_rules;
    QStringList m_folders;
};

bool isTrue(const TestExpression& test)
{
    return test.kind == TestExpression::Kind::True;
}

bool blockHasIf(const QList<SieveCommand>& commands)
{
    return std::any_of(commands.cbegin(), commands.cend(),
                       [](const SieveCommand& command) { return command.name == QLatin1String("if"); });
}

// A test that is one condition, or conditions joined by one allof or one anyof, as a rule holds them.
bool asRuleConditions(const TestExpression& test, QList<Condition>& conditions, bool& matchAll)
{
    using Kind = TestExpression::Kind;
    if (test.kind == Kind::Literal) {
        conditions = {test.literal};
        return true;
    }
    if (test.kind != Kind::All && test.kind != Kind::Any)
        return false;
    for (const TestExpression& child : test.children) {
        if (child.kind != Kind::Literal)
            return false;
        conditions.append(child.literal);
    }
    matchAll = test.kind == Kind::All;
    return true;
}

SieveImport Importer::run(const QString& script)
{
    SieveImport result;
    const SieveSyntax syntax = parseSieve(script);
    if (syntax.error) {
        result.error = syntax.error;
        return result;
    }
    try {
        qsizetype first = 0;
        // require comes before every other command (RFC 5228 3.2).
        while (first < syntax.commands.size() && syntax.commands.at(first).name == QLatin1String("require"))
            require(syntax.commands.at(first++));
        block(syntax.commands.mid(first), TestExpression{}, QString());
    } catch (const SieveError& error) {
        result.error = error;
        return result;
    }
    result.rules = m_rules;
    result.folders = m_folders;
    return result;
}

void Importer::require(const SieveCommand& command)
{
    if (command.arguments.size() != 1 || command.arguments.first().kind != SieveArgument::Kind::StringList
        || !command.tests.isEmpty() || command.hasBlock)
        fail(command.position, QStringLiteral("require には拡張機能の名前を書いてください"));
    for (const QString& capability : command.arguments.first().strings) {
        if (!kCapabilities.contains(capability.toLower()))
            fail(command.arguments.first().position, QStringLiteral("使えない拡張機能です: ") + capability);
        m_capabilities.required.append(capability.toLower());
    }
}

void Importer::block(const QList<SieveCommand>& commands, const TestExpression& guard, QString name)
{
    Segment segment;
    segment.name = name;
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const SieveCommand& command = commands.at(i);
        if (command.name == QLatin1String("require"))
            fail(command.position, QStringLiteral("require はスクリプトの最初に書いてください"));
        if (command.name == QLatin1String("elsif") || command.name == QLatin1String("else"))
            fail(command.position, command.name + QStringLiteral(" の前に if がありません"));
        if (command.name == QLatin1String("if")) {
            flush(segment, guard);
            i = chain(commands, i, guard) - 1;
            continue;
        }
        // A rule comment starts the next rule.
        if (!command.ruleName.isNull() && segment.started)
            flush(segment, guard);
        if (!segment.started) {
            segment.started = true;
            segment.position = command.position;
            if (!command.ruleName.isNull())
                segment.name = command.ruleName;
        }
        readAction(command, segment.actions);
    }
    flush(segment, guard);
}

qsizetype Importer::chain(const QList<SieveCommand>& commands, qsizetype first, const TestExpression& guard)
{
    qsizetype end = first + 1;
    while (end < commands.size() && (commands.at(end).name == QLatin1String("elsif") || commands.at(end).name == QLatin1String("else"))) {
        if (commands.at(end - 1).name == QLatin1String("else"))
            fail(commands.at(end).position, QStringLiteral("else の後に ") + commands.at(end).name + QStringLiteral(" は書けません"));
        ++end;
    }
    bool simple = isTrue(guard);
    QList<TestExpression> tests;
    for (qsizetype i = first; i < end; ++i) {
        const SieveCommand& branch = commands.at(i);
        const bool isElse = branch.name == QLatin1String("else");
        if (!branch.hasBlock || !branch.arguments.isEmpty() || branch.tests.size() != (isElse ? 0 : 1))
            fail(branch.position, branch.name + (isElse ? QStringLiteral(" には { } だけを書いてください")
                                                        : QStringLiteral(" にはテストを一つと { } を書いてください")));
        tests.append(isElse ? TestExpression{} : detail::readTest(branch.tests.first(), m_capabilities));
        simple = simple && !blockHasIf(branch.block);
    }
    for (qsizetype i = first; i < end; ++i) {
        const SieveCommand& branch = commands.at(i);
        const qsizetype k = i - first;
        if (simple) {
            // A chain at the top: one rule per branch, chained to the one before.
            QList<Action> actions;
            for (const SieveCommand& command : branch.block)
                readAction(command, actions);
            emitRule(tests.at(k), actions, k > 0, branch.ruleName, branch.position);
            continue;
        }
        // Deeper: each branch's rules hold its whole condition, the branches before it negated.
        QList<TestExpression> parts{guard};
        for (qsizetype j = 0; j < k; ++j)
            parts.append(detail::negation(tests.at(j)));
        parts.append(tests.at(k));
        block(branch.block, detail::allOf(parts), branch.ruleName);
    }
    return end;
}

void Importer::readAction(const SieveCommand& command, QList<Action>& actions)
{
    if (command.hasBlock || !command.tests.isEmpty())
        fail(command.position, command.name + QStringLiteral(" の後には「;」を書いてください"));
    const QString& name = command.name;
    const bool bare = command.arguments.isEmpty();
    if (name == QLatin1String("keep") && bare) {
        actions.append({ActionKind::Move, storage::FixedFolder::Standard});
    } else if (name == QLatin1String("discard") && bare) {
        actions.append({ActionKind::Trash, QString()});
    } else if (name == QLatin1String("stop") && bare) {
        actions.append({ActionKind::Stop, QString()});
    } else if (name == QLatin1String("fileinto")) {
        actions.append(folderAction(command));
    } else if (name == QLatin1String("addflag")) {
        m_capabilities.need(QStringLiteral("imap4flags"), command.position);
        if (command.arguments.size() != 1 || command.arguments.first().kind != SieveArgument::Kind::StringList)
            fail(command.position, QStringLiteral("addflag にはフラグを一つ書いてください"));
        for (const QString& flags : command.arguments.first().strings) {
            for (const QString& flag : flags.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (flag.compare(QLatin1String("\\Seen"), Qt::CaseInsensitive) == 0)
                    actions.append({ActionKind::MarkRead, QString()});
                else if (flag.compare(QLatin1String("\\Flagged"), Qt::CaseInsensitive) == 0)
                    actions.append({ActionKind::Flag, QString()});
                else
                    fail(command.arguments.first().position, QStringLiteral("扱えないフラグです: ") + flag);
            }
        }
    } else if (name == QLatin1String("keep") || name == QLatin1String("discard") || name == QLatin1String("stop")) {
        fail(command.arguments.first().position, name + QStringLiteral(" に引数は書けません"));
    } else {
        fail(command.position, QStringLiteral("使えないコマンドです: ") + name);
    }
}

Action Importer::folderAction(const SieveCommand& command)
{
    m_capabilities.need(QStringLiteral("fileinto"), command.position);
    bool copy = false;
    const SieveArgument* mailbox = nullptr;
    for (const SieveArgument& argument : command.arguments) {
        if (argument.kind == SieveArgument::Kind::Tag && argument.tag == QLatin1String("copy") && !copy) {
            m_capabilities.need(QStringLiteral("copy"), argument.position);
            copy = true;
        } else if (argument.kind == SieveArgument::Kind::StringList && argument.single && !mailbox) {
            mailbox = &argument;
        } else {
            fail(argument.position, QStringLiteral("fileinto に使えない引数です"));
        }
    }
    if (!mailbox)
        fail(command.position, QStringLiteral("fileinto にはフォルダを書いてください"));
    QString problem;
    const std::optional<QString> key = folderKeyOfMailbox(mailbox->strings.first(), &problem);
    if (!key)
        fail(mailbox->position, problem);
    if (!m_folders.contains(*key))
        m_folders.append(*key);
    return {copy ? ActionKind::Copy : ActionKind::Move, *key};
}

void Importer::flush(Segment& segment, const TestExpression& guard)
{
    if (segment.started)
        emitRule(guard, segment.actions, false, segment.name, segment.position);
    segment = Segment();
}

void Importer::emitRule(TestExpression test, const QList<Action>& actions, bool chained, const QString& name,
                        SievePosition at)
{
    Rule rule;
    rule.name = name.isEmpty() ? QStringLiteral("ルール%1").arg(m_rules.size() + 1) : name;
    rule.chained = chained;
    rule.actions = normalizedActions(actions);
    // A rule switched off is written "if false" or "if allof (false, ...)": it holds nowhere.
    using Kind = TestExpression::Kind;
    if (test.kind == Kind::False) {
        rule.enabled = false;
        test = TestExpression{};
    } else if (test.kind == Kind::All && !test.children.isEmpty() && test.children.first().kind == Kind::False) {
        rule.enabled = false;
        test.children.removeFirst();
        if (test.children.size() == 1)
            test = test.children.first();
    }
    if (isTrue(test) || asRuleConditions(test, rule.conditions, rule.matchAll)) {
        m_rules.append(rule);
        return;
    }
    // Anything else as alternatives, each a rule of its own chained to the first.
    const QList<detail::Conjunction> alternatives = detail::alternatives(test, at);
    for (qsizetype i = 0; i < alternatives.size(); ++i) {
        Rule part = rule;
        part.conditions = alternatives.at(i);
        part.matchAll = true;
        if (i > 0) {
            part.chained = true;
            part.name = rule.name + QStringLiteral(" (%1)").arg(i + 1);
        }
        m_rules.append(part);
    }
}

} // namespace

SieveImport importSieve(const QString& script)
{
    return Importer().run(script);
}

std::optional<QString> folderKeyOfMailbox(const QString& mailbox, QString* problem)
{
    using storage::FixedFolder::Inbox;
    if (mailbox.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0 || mailbox == storage::FixedFolder::Standard)
        return storage::FixedFolder::Standard;
    if (mailbox == storage::FixedFolder::Trash)
        return storage::FixedFolder::Trash;
    QStringList names = mailbox.split(QLatin1Char('/'));
    if (names.size() > 1 && (names.first() == Inbox || names.first().compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0))
        names.removeFirst();
    for (const QString& name : std::as_const(names)) {
        if (!storage::FolderTree::isUsableName(name)) {
            *problem = QStringLiteral("フォルダの名前に使えない文字があります: ") + mailbox;
            return std::nullopt;
        }
    }
    if (names.size() == 1 && (storage::FolderTree().hasKey(names.first()) || names.first() == storage::kSearchResultsKey)) {
        *problem = QStringLiteral("このフォルダには振り分けられません: ") + mailbox;
        return std::nullopt;
    }
    return Inbox + QLatin1Char('\\') + names.join(QLatin1Char('\\'));
}

QString mailboxOfFolderKey(const QString& key)
{
    if (key == storage::FixedFolder::Standard)
        return QStringLiteral("INBOX");
    QString mailbox = key;
    return mailbox.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

} // namespace fumibako::filing
