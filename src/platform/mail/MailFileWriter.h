#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace fumibako::platform::mail {

/**
 * Writes one received message into a folder so that it only ever appears there complete and on
 * disk: the bytes go to a hidden temporary file (listings skip names with a leading dot).
 * commit() closes it; publish() then makes a whole batch of committed files durable with one
 * flush of the file system and only then moves each to a new name that no existing file has (an
 * existing file is never replaced). Publishing must happen before the server is told to delete
 * the messages. Dropping the writer before commit() removes the temporary file.
 */
class MailFileWriter {
public:
    explicit MailFileWriter(const QString& folder);
    ~MailFileWriter();
    MailFileWriter(const MailFileWriter&) = delete;
    MailFileWriter& operator=(const MailFileWriter&) = delete;

    /** Starts a message. Its file is created once it outgrows memory, or at commit(). */
    bool open();
    bool write(const char* data, size_t size);
    /** Closes the complete file, its write to disk started; returns its temporary path, or "" on failure. */
    QString commit();
    /**
     * The whole message, when it is small enough to be still only in memory (then this writer
     * is done with it and writes no file); nothing when it went to its file already.
     */
    std::optional<QByteArray> takeWholeMessage();
    void discard();

    /**
     * Makes the committed temporary files @p tempPaths of @p folder durable, gives each its final
     * name and makes the names durable. Returns the final paths in order. When the data cannot
     * be made durable, no file is published and the temporary files are removed; @p error says
     * why. A later failure returns the files published so far, with @p error set.
     */
    static QStringList publish(const QString& folder, const QStringList& tempPaths, QString* error);

    qint64 size() const { return m_size; }
    QString errorText() const { return m_error; }

private:
    bool fail(const QString& what);
    bool createFile();
    static bool moveIntoPlace(const QByteArray& tempPath, const QByteArray& finalPath);
    bool writeOut(const char* data, size_t size);
    bool flushBuffer();

    QByteArray m_folder;
    QByteArray m_tempPath;
    int m_fd = -1;
    QByteArray m_buffer; // libcurl hands over small pieces; they reach the file in large writes
    qint64 m_size = 0;
    QString m_error;
};

} // namespace fumibako::platform::mail
