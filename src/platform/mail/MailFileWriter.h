#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace fumibako::platform::mail {

/**
 * Writes one received message into the staging folder: the bytes go to a hidden temporary file,
 * which commit() closes. ReceiveFolder then publishes a whole batch of committed files. Dropping
 * the writer before commit() removes the temporary file.
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

    qint64 size() const { return m_size; }
    QString errorText() const { return m_error; }

private:
    bool fail(const QString& what);
    bool createFile();
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
