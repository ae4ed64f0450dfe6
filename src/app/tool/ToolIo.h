#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace fumibako::tool {

/** Thrown for a usage error: the tool prints the text on stderr and exits with 2. */
struct UsageError {
    QString text;
};

/** Writes @p text and a newline to stdout as UTF-8. */
void printLine(const QString& text);

/** Writes @p text and a newline to stderr as UTF-8. */
void printError(const QString& text);

/** Parses a whole non-negative decimal number or throws UsageError naming @p what. */
int parseCount(const QString& text, const QString& what);

/** One line of stdin, without echo when a terminal types it; nothing at the end of input. */
std::optional<QString> readSecretLine();

/**
 * readSecretLine after the prompt "パスワード: " on stderr, shown only when a terminal types the
 * answer: a password given through a pipe needs none.
 */
std::optional<QString> askPasswordLine();

/** What the tool says, on stderr, when stdin ended before a password was given. */
inline const char* const kNoPasswordGiven = "パスワードが入力されませんでした";

} // namespace fumibako::tool
