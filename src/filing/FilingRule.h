#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/**
 * The filing rules (振り分け) of an account: which received messages go into which folder, with
 * which flags. A rule has conditions joined by "all" or "any" and actions; the rules of an
 * account are tried in order, and the first rule that files the message (or says stop) ends the
 * evaluation, while the flags and copies of the rules before it add up.
 */
namespace fumibako::filing {

/** What a condition looks at. */
enum class ConditionField : quint8 {
    From,
    To,
    Cc,
    ToOrCc,
    Subject,
    Header,              ///< the fields named by headerNames, decoded
    Address,             ///< the addresses in the fields named by headerNames (addressPart of each)
    Exists,              ///< every field named by headerNames is present
    Body,                ///< the body as the reader shows it
    SizeOver,            ///< the message is larger than sizeBytes
    SizeUnder,           ///< the message is smaller than sizeBytes
    HasAttachments,
    SenderInAddressBook, ///< an address of the From field is in the address book
};

/** How a text is compared with a condition's key. */
enum class MatchType : quint8 {
    Contains,
    Is,
    BeginsWith,
    EndsWith,
    Wildcard, ///< "*" any run of characters, "?" one character, "\" takes the next one as it is
    Regex,    ///< QRegularExpression (Unicode), found anywhere in the text
};

/** Which forms of a character count as the same. */
enum class Comparison : quint8 {
    Folded,    ///< NFKC and case folding: ｾｰﾙ = セール, ＡＢＣ = abc (Sieve's i;unicode-casemap)
    AsciiCase, ///< A-Z as a-z, nothing else (i;ascii-casemap, Sieve's default)
    Exact,     ///< the texts as they are (i;octet)
};

/** Which part of an address an Address condition compares. */
enum class AddressPart : quint8 { All, LocalPart, Domain };

/** One condition of a rule. */
struct Condition {
    ConditionField field = ConditionField::Subject;
    MatchType match = MatchType::Contains;
    Comparison comparison = Comparison::Folded;
    AddressPart addressPart = AddressPart::All;
    bool negated = false;   ///< true when the condition holds if the test does not
    QStringList headerNames; ///< Header, Address and Exists: the fields, as named in the message
    QStringList keys;       ///< the texts; the test holds when any field value matches any key
    qint64 sizeBytes = 0;   ///< SizeOver and SizeUnder

    friend bool operator==(const Condition&, const Condition&) = default;
};

/** What a rule does with a message its conditions hold for. */
enum class ActionKind : quint8 {
    MarkRead,
    Flag,  ///< sets the save flag ("フラグを立てる")
    Copy,  ///< files a copy into folder (the message goes on)
    Move,  ///< files the message into folder; the evaluation ends
    Trash, ///< files the message into ごみ箱; the evaluation ends (nothing is ever thrown away)
    Stop,  ///< ends the evaluation
    /** Leaves the message on the server and never downloads it; decided from its header and size. */
    LeaveOnServer,
    /** Deletes the message on the server without downloading it; decided from its header and size. */
    DeleteOnServer,
};

struct Action {
    ActionKind kind = ActionKind::Move;
    QString folder; ///< Move and Copy: the folder key ("標準BOX", "受信BOX\仕事", ...)

    friend bool operator==(const Action&, const Action&) = default;
};

/** Whether the action ends the evaluation of the rules after it. */
inline bool endsEvaluation(ActionKind kind)
{
    return kind == ActionKind::Move || kind == ActionKind::Trash || kind == ActionKind::Stop;
}

/**
 * Whether the action is carried out at the server, before the message is downloaded. Such a
 * rule is decided from the header (TOP n 0) and the size LIST gives; once a message is on disk
 * (a server that refused TOP, "振り分け実行") its at-server actions do nothing.
 */
inline bool decidesAtServer(ActionKind kind)
{
    return kind == ActionKind::LeaveOnServer || kind == ActionKind::DeleteOnServer;
}

/** One rule. */
struct Rule {
    QString name;
    bool enabled = true;
    bool matchAll = true; ///< all conditions must hold; false: any of them
    /**
     * Tried only when no rule since the last rule without this flag held (Sieve's elsif); a
     * chained rule without conditions is an else.
     */
    bool chained = false;
    QList<Condition> conditions; ///< none: the rule holds for every message
    QList<Action> actions;
    /** Why the stored rule could not be read; "" when it is sound. A broken rule never runs. */
    QString broken;
    /** A broken rule's lines as they were stored, written back unchanged. */
    QStringList storedLines;

    bool isBroken() const { return !broken.isEmpty(); }
    /** Whether one of its actions files the message (Move or Trash). */
    bool files() const;
    /** Whether one of its actions is carried out at the server (decidesAtServer()). */
    bool decidesAtServer() const;

    friend bool operator==(const Rule&, const Rule&) = default;
};

using RuleList = QList<Rule>;

/**
 * @p actions in the order the evaluation applies them: flags, then copies, then the move (the
 * first Move or Trash), then Stop, which after a move says nothing more and goes. The
 * evaluation does not depend on the order of a rule's actions; this one is kept on disk and in
 * Sieve, where flags must come before the fileinto they are to apply to.
 */
QList<Action> normalizedActions(const QList<Action>& actions);

/** Whether the field compares texts (and so takes a match type, a comparison and keys). */
bool comparesText(ConditionField field);
/** Whether the field names its header fields in headerNames. */
bool namesHeaders(ConditionField field);

/** The header fields a From, To, Cc, ToOrCc or Subject condition reads; headerNames for the others. */
QStringList fieldsRead(const Condition& condition);

/**
 * What is wrong with @p condition, in the words the rule dialog shows ("" when nothing): a
 * regular expression that does not compile, a header field without a name, a size below zero.
 */
QString conditionProblem(const Condition& condition);

/**
 * Whether the condition can be answered from the header fields and the size alone, as a rule
 * that decides at the server must be: not the body, attachments or the address book.
 */
bool answerableAtServer(ConditionField field);

/**
 * What keeps @p condition out of a rule that decides at the server ("" when nothing), in the
 * words the rule dialog shows.
 */
QString atServerConditionProblem(const Condition& condition);

/**
 * What is wrong with a rule that decides at the server with these @p actions ("" when nothing,
 * also when none of them decides at the server): an at-server action stands alone.
 */
QString atServerActionsProblem(const QList<Action>& actions);

/**
 * What is wrong with @p rule ("" when nothing): its first condition problem, an action without
 * its folder, a rule deciding at the server that needs more than the header and the size.
 */
QString ruleProblem(const Rule& rule);

} // namespace fumibako::filing
