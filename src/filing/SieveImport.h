#pragma once

#include "filing/FilingRule.h"
#include "filing/SieveScript.h"

#include <QStringList>

#include <optional>

/**
 * Sieve scripts read into filing rules. The subset: require; if, elsif, else; the tests allof,
 * anyof, not, true, false, header, address (:all, :localpart, :domain), exists, size (:over,
 * :under) and body (:text, RFC 5173); the match types :is, :contains, :matches and :regex; the
 * comparators i;ascii-casemap (Sieve's default), i;octet and i;unicode-casemap (RFC 5051); the
 * actions fileinto (with :copy, RFC 3894), keep, discard, stop and addflag "\\Seen" / "\\Flagged"
 * (RFC 5232). Anything else is refused with its place in the script.
 *
 * The program's rules end at the first one that files a message, where Sieve goes on after a
 * fileinto: a fileinto (keep, discard) is read as a move that ends the evaluation. Flags apply
 * wherever the message lands. discard files the message into ごみ箱: nothing is thrown away.
 * A chain of if, elsif and else becomes rules chained to the one before; tests nested deeper than
 * the rules say (an anyof inside an allof, an if inside an if) are spread over several rules.
 * A comment "# rule: NAME" names the rule of the command after it.
 */
namespace fumibako::filing {

struct SieveImport {
    RuleList rules;
    QStringList folders; ///< the folder keys the rules name, each once
    std::optional<SieveError> error;
};

SieveImport importSieve(const QString& script);

/**
 * The folder key of a Sieve mailbox name: "INBOX" is 標準BOX, "受信BOX/仕事", "INBOX/仕事" and
 * "仕事" are 受信BOX\仕事, "標準BOX" and "ごみ箱" are those folders. Nothing, with @p problem,
 * for a name no received-side folder can have.
 */
std::optional<QString> folderKeyOfMailbox(const QString& mailbox, QString* problem);

/** The mailbox name of a folder key: the path with "/" between its levels; 標準BOX is "INBOX". */
QString mailboxOfFolderKey(const QString& key);

} // namespace fumibako::filing
