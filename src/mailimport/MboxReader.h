#pragma once

#include "platform/mail/GMimeSupport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace fumibako::mailimport {

/** One message of an mbox file. */
struct MboxMessage {
    int number = 0;           ///< 1-based, in file order
    qint64 markerOffset = 0;  ///< where its "From " line starts
    qint64 begin = 0;         ///< its first byte, after the "From " line
    qint64 end = 0;           ///< one past its last byte; the empty line that parts it from the next is left out
    QByteArray marker;        ///< the "From " line, without its line end
    bool truncated = false;   ///< the file ends inside it: it may have been cut short
};

/** Hands the next piece of a message's bytes on; false stops the reading. */
using ByteSink = std::function<bool(QByteArrayView piece)>;

/**
 * @short Reads an mbox file one message at a time, without holding it.
 *
 * GMime's parser in mbox mode finds the "From " lines; its parts refer to the file rather than
 * holding copies, and each message is dropped once its place is known, so memory does not grow
 * with the file. The bytes of a message are read from the file afterwards, exactly as they lie
 * there, and unquoted (see FromLineFilter).
 *
 * A "From " line that does not follow an empty line, or after which no header field follows,
 * was not quoted by the program that wrote the file (older mboxo writers, or files joined by
 * hand): it stays part of the message before it rather than cutting that message in two.
 */
class MboxReader {
public:
    explicit MboxReader(const QString& path);
    ~MboxReader();
    MboxReader(const MboxReader&) = delete;
    MboxReader& operator=(const MboxReader&) = delete;

    /** False, with @p error, when the file cannot be read. */
    bool open(QString* error);
    /** The next message; nothing at the end of the file. */
    std::optional<MboxMessage> next();
    /** Hands @p message's bytes, unquoted, to @p sink in pieces; false on a read error or a stop. */
    bool read(const MboxMessage& message, const ByteSink& sink, QString* error);
    /** How far into the file the reading has come, in bytes. */
    qint64 position() const;
    qint64 size() const { return m_size; }

private:
    struct Chunk {
        qint64 marker = 0;
        qint64 begin = 0;
        qint64 end = 0;
        QByteArray markerLine;
        bool truncated = false;
    };

    std::optional<Chunk> parseChunk();
    bool startsMessage(const Chunk& chunk);
    QByteArray readAt(qint64 offset, qint64 length);
    static void onWarning(gint64 offset, GMimeParserWarning warning, const gchar* item, gpointer self);

    QString m_path;
    int m_fd = -1; // for reading the bytes back; the parser has a descriptor of its own
    qint64 m_size = 0;
    platform::mail::GObjectPtr<GMimeParser> m_parser;
    GMimeParserOptions* m_options = nullptr;
    std::optional<Chunk> m_pending; // parsed, not handed out yet
    bool m_truncated = false;       // the parser met the end of the file inside the current message
    int m_number = 0;
};

} // namespace fumibako::mailimport
