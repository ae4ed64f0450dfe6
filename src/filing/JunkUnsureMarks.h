#pragma once

#include "storage/Paths.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace fumibako::filing {

/** How many names the marks keep; beyond it the oldest go. */
constexpr qsizetype kMaxUnsureMarks = 5000;

/**
 * @short The received messages the junk filter could not judge, by their file's name: the mail
 * list marks them until the user judges them ("迷惑メールにする" or "迷惑メールではない").
 *
 * Kept beside the account's mail ("JunkUnsure.txt", one name a line, UTF-8, oldest first) and
 * rewritten whole, atomically. A name whose message is gone costs one line and nothing else.
 */
class JunkUnsureMarks {
public:
    static QString fileOf(const storage::AccountPaths& paths);

    /** Reads @p file; a missing file marks nothing. */
    void load(const QString& file);
    bool isEmpty() const { return m_names.isEmpty(); }
    bool contains(const QString& name) const { return m_names.contains(name); }

    /** Adds @p names to @p file. */
    static bool add(const QString& file, const QStringList& names);
    /** Takes @p names out of @p file. */
    static bool remove(const QString& file, const QStringList& names);

private:
    QSet<QString> m_names;
};

} // namespace fumibako::filing
