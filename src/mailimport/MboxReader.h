#pragma once

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
 * The file is scanned in large blocks for the lines that start a message: a "From " line at the
 * start of the file, or after an empty line and followed by a header field. A "From " line
 * anywhere else was not quoted by the program that wrote the file (older mboxo writers, or files
 * joined by hand) and stays part of its message rather than cutting it in two. The bytes of a
 * message are then read from the file exactly as they lie there, and unquoted (FromLineFilter).
 *
 * (GMime's parser in mbox mode cuts at every "From " line, and once a piece of a message does not
 * parse as a header it cannot go on, so the rest of such a file would be lost; it would also
 * parse every part only to find the next line.)
 */
class MboxReader {
public:
    explicit MboxReader(const QString& path);
    ~MboxReader();
    MboxReader(const MboxReader&) = delete;
    MboxReader& operator=(const MboxReader&) = delete;

    /** False, with @p error, when the file cannot be read. */
    bool open(QString* error);
    /** The next message; nothing at the end of the file (or when the file is no mbox). */
    std::optional<MboxMessage> next();
    /** Hands @p message's bytes, unquoted, to @p sink in pieces; false on a read error or a stop. */
    bool read(const MboxMessage& message, const ByteSink& sink, QString* error);
    qint64 size() const { return m_size; }

private:
    struct Line {
        qint64 start = 0;
        qint64 next = 0;   ///< where the line after it starts
        bool empty = false;
        bool from = false; ///< it starts with "From "
    };

    std::optional<Line> nextLine();
    bool fill(qint64 offset);
    QByteArray readAt(qint64 offset, qint64 length) const;

    QString m_path;
    int m_fd = -1;
    qint64 m_size = 0;
    QByteArray m_block;       // the file's bytes from m_blockStart
    qint64 m_blockStart = 0;
    qint64 m_position = 0;    // of the next line to scan
    qint64 m_nextMarker = 0;  // the "From " line of the next message, -1 after the last
    int m_number = 0;
};

} // namespace fumibako::mailimport
