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

} // namespace fumibako::tool
