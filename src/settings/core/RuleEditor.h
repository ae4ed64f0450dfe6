#pragma once

#include "filing/FilingEngine.h"
#include "filing/FilingRule.h"
#include "storage/MailList.h"

#include <QList>
#include <QString>

#include <optional>

namespace fumibako::settings {

/** One condition row of the rule dialog as its widgets hold it. */
struct ConditionRow {
    filing::ConditionField field = filing::ConditionField::Subject;
    QString headerNames; ///< "List-Id" or "To, Cc" (Header, Address, Exists)
    filing::MatchType match = filing::MatchType::Contains;
    filing::Comparison comparison = filing::Comparison::Folded;
    filing::AddressPart addressPart = filing::AddressPart::All;
    bool negated = false;
    QString text; ///< the keys, one a line; a size in KB ("100", "1000B", "2MB")

    friend bool operator==(const ConditionRow&, const ConditionRow&) = default;
};

/** One action row: what and, for a move or a copy, into which folder. */
struct ActionRow {
    filing::ActionKind kind = filing::ActionKind::Move;
    QString folder;

    friend bool operator==(const ActionRow&, const ActionRow&) = default;
};

/** The row of @p condition. */
ConditionRow conditionRow(const filing::Condition& condition);
/** The condition of @p row; what is wrong with it in @p problem ("" when nothing). */
filing::Condition conditionOf(const ConditionRow& row, QString* problem);

/**
 * @short The rules of the rule dialog: a rule's name, switch, all/any, chain, condition rows and
 * action rows, with what is wrong with each row said at once and saving refused until nothing is.
 */
class RuleEditor {
public:
    explicit RuleEditor(const filing::Rule& rule = {});

    QString name;
    bool enabled = true;
    bool matchAll = true;
    bool chained = false;
    QList<ConditionRow> conditions;
    QList<ActionRow> actions;

    /**
     * Whether an action row decides at the server ("受信しない", "サーバーから削除"): the
     * conditions may then use only the header fields and the size, and the action stands alone.
     */
    bool decidesAtServer() const;

    /**
     * What is wrong with condition row @p row ("" when nothing): a regular expression that does
     * not compile, ..., or a condition a rule that decides at the server cannot answer.
     */
    QString conditionProblem(int row) const;
    /** What is wrong with action row @p row: a move or copy without its folder, an at-server action not alone. */
    QString actionProblem(int row) const;
    /** The first problem of the conditions, "" when they can be tried. */
    QString conditionsProblem() const;
    /** The first problem of the whole rule, "" when it can be saved. */
    QString problem() const;
    bool canSave() const { return problem().isEmpty(); }

    /** The rule as it would be saved ("ルール" when it has no name). */
    filing::Rule rule() const;

    /**
     * "試す": the rows of @p shown (the messages of the shown folder, in @p inputDir) the rule
     * would take, switched on or not, whatever its actions. Nothing when a condition has a problem.
     */
    QList<int> tryOn(const storage::MailList& shown, const QString& inputDir,
                     const filing::AddressBookLookup* addressBook) const;

    /** A rule for mail from the sender @p from ("Name <address>" as the list shows it); no folder chosen yet. */
    static filing::Rule ruleForSender(const QString& from);
    /**
     * A rule for the mailing list of the message @p path (its List-Id); nothing when the
     * message names no list.
     */
    static std::optional<filing::Rule> ruleForList(const QString& path);
};

} // namespace fumibako::settings
