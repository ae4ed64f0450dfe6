#pragma once

#include <QByteArray>
#include <QString>

namespace fumibako::platform::mail {

/**
 * Writes one received message into a folder so that it only ever appears there complete: the
 * bytes go to a hidden temporary file, are flushed to disk, and the file is then moved to a new
 * name that no existing file has (an existing file is never replaced). Dropping the writer
 * before commit() removes the temporary file.
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
    /** Makes the file durable and gives it its final name; returns the full path, or "" on failure. */
    QString commit();
    void discard();

    qint64 size() const { return m_size; }
    QString errorText() const { return m_error; }

private:
    bool fail(const QString& what);
    bool moveIntoPlace(const QByteArray& finalPath);

    QByteArray m_folder;
    QByteArray m_tempPath;
    int* m_nameHint;
    int m_fd = -1;
    qint64 m_size = 0;
    QString m_error;
};

} // namespace fumibako::platform::mail
