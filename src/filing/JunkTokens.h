#pragma once

#include "filing/JunkInput.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

/**
 * The tokens the junk classifier counts: words of a message made for Japanese mail.
 *
 * Japanese has no spaces, and a statistical filter that only splits at white space sees a whole
 * line as one word. So the text is folded as searching folds it (NFKC, case) and cut by script:
 * a run of kanji gives every pair of neighbours, a run of katakana is one word (loan words,
 * product names: "キャンペーン", "アカウント"), a run of hiragana gives its pairs, and Latin words
 * are taken whole, lower-cased. Symbols that mail rarely needs ("★", "$", "!") count once each.
 * Host names of links and of the sending servers count with their parent domains, so a new host
 * under a known domain is known. The fields that tell senders apart get tokens of their own,
 * marked by a prefix, so "当選" in a subject counts apart from "当選" in a body:
 *
 *   s: subject   n: sender's name   a: sender's address   d: its domain   r: sending servers
 *   m: mail program   c: charset   u: link hosts   (none): body
 */
namespace fumibako::filing {

/** The tokens of @p input, each once, in the order first met. */
QStringList junkTokens(const JunkInput& input);

/** The numbers of the tokens of @p input (junkTokenId()), sorted, each once. */
std::vector<qint64> junkTokenIds(const JunkInput& input);

/**
 * A token's number in the token store: 48 bits of the FNV-1a hash of its UTF-16 code units, the
 * same in every version of the program (the store outlives them), small enough for SQLite to
 * keep in 6 bytes. Two tokens of the same number count as one; among a few million tokens that
 * happens to a handful, which no score notices.
 */
qint64 junkTokenId(QStringView token);

} // namespace fumibako::filing
