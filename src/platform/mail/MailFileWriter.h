#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fumibako::platform::mail {

/**
 * Writes one received message into a folder so that it only ever appears there complete: the
 * bytes go to a hidden temporary file, which is then moved to a new name that no existing file
 * has (an existing file is never replaced). Dropping the writer before commit() removes the
 * temporary file. commit() only starts the write-back; makeDurable() then waits for a whole
 * batch of committed files at once, which must happen before the server is told to delete them.
 */
class MailFileWriter {
public:
    /** @p nameHint is shared by the writers of one session so that names are found quickly. */
    MailFileWriter(const QString& folder, int* nameHint);
    ~MailFileWriter();
    MailFileWriter(const MailFileWriter&) = delete;
    MailFileWriter& operator=(const MailFileWriter&) = delete;

    bool open();
    bool write(const char* data, size_t size);
    /** Gives the complete file its final name; returns the full path, or "" on failure. */
    QString commit();
    void discard();

    /**
     * Waits until the committed files @p paths of @p folder and their names are on disk. False,
     * with @p error set, when one of them could not be made durable.
     */
    static bool makeDurable(const QString& folder, const QStringList& paths, QString* error);

    qint64 size() const { return m_size; }
    QString errorText() const { return m_error; }

private:
    bool fail(const QString& what);
    bool moveIntoPlace(const QByteArray& finalPath);
    bool writeOut(const char* data, size_t size);
    bool flushBuffer();

    QByteArray m_folder;
    QByteArray m_tempPath;
    int* m_nameHint;
    int m_fd = -1;
    QByteArray m_buffer; // libcurl hands over small pieces; they reach the file in large writes
    qint64 m_size = 0;
    QString m_error;
};

} // namespace fumibako::platform::mail
