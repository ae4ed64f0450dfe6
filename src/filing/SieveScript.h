#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * The syntax of a Sieve script (RFC 5228, section 8): commands with arguments, tests and blocks.
 * Written here rather than taken from GNU Mailutils' Sieve library, whose public interface
 * compiles a script into its own machine and runs it on its own messages: it hands out no
 * parse tree to read into the program's rules. The grammar is small; what the program accepts
 * of it (the commands, tests and extensions) is decided when the tree is read (SieveImport.h).
 */
namespace fumibako::filing {

/** A place in the script: 1-based line and column (in characters). */
struct SievePosition {
    int line = 1;
    int column = 1;
};

struct SieveArgument {
    enum class Kind { Tag, Number, StringList };
    Kind kind = Kind::StringList;
    QString tag;         ///< Tag: the name without ":", lower case
    qint64 number = 0;   ///< Number: with its K, M or G applied
    QStringList strings; ///< StringList: one element for a single string
    bool single = false; ///< StringList: written as one string, not in brackets
    SievePosition position;
};

struct SieveTest {
    QString name; ///< lower case
    QList<SieveArgument> arguments;
    QList<SieveTest> tests; ///< the test list of allof and anyof, the one test of not
    SievePosition position;
};

struct SieveCommand {
    QString name; ///< lower case
    QList<SieveArgument> arguments;
    QList<SieveTest> tests;
    bool hasBlock = false;
    QList<SieveCommand> block;
    SievePosition position;
    /** The NAME of a comment "# rule: NAME" between the command before and this one; null when none. */
    QString ruleName;
};

struct SieveError {
    SievePosition position;
    QString message; ///< Japanese, for the user

    /** "3行 5列: message" */
    QString text() const;
};

struct SieveSyntax {
    QList<SieveCommand> commands;
    std::optional<SieveError> error; ///< the first error; commands are then incomplete
};

/** Parses @p script (its text, any line ends). */
SieveSyntax parseSieve(const QString& script);

} // namespace fumibako::filing
