#pragma once

#include <QFile>
#include <QString>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

/** What the program's SQLite files (the search index, the junk token store) share. */
namespace fumibako::platform::sqlite {

/** Resets a statement when it goes out of scope, so that no read stays open. */
struct StatementReset {
    sqlite3_stmt* statement;
    ~StatementReset()
    {
        if (statement) {
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
        }
    }
};

/** A new file gets mode 0600 before SQLite opens it; its log files take the same mode. */
inline void createPrivateFile(const QString& file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

/** Removes the database @p file's logs (-wal, -shm, -journal), and with @p withFile the file too. */
inline void removeDatabaseFiles(const QString& file, bool withFile)
{
    if (withFile)
        QFile::remove(file);
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        QFile::remove(file + QLatin1String(suffix));
}

} // namespace fumibako::platform::sqlite
