#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QStringView>

#include <optional>
#include <utility>

/**
 * The flags other mail programs keep with a message, in the forms they keep them: header fields
 * written into the message (X-Mozilla-Status, Status), the end of a Maildir file's name, and an
 * MH folder's sequences file.
 */
namespace fumibako::mailimport {

/** What a source says of a message; nothing where it says nothing. */
struct MessageFlags {
    std::optional<bool> read;
    std::optional<bool> flagged; ///< marked by the user (a star, a flag)
    std::optional<bool> deleted; ///< deleted in the source but still kept there

    /** These flags, with @p other's wherever these say nothing. */
    MessageFlags over(const MessageFlags& other) const;
    bool says() const { return read || flagged || deleted; }
};

/**
 * The value of X-Mozilla-Status (four hexadecimal digits): 0x0001 read, 0x0004 flagged, 0x0008
 * deleted. Nothing when it is not such a number.
 */
MessageFlags mozillaStatusFlags(QByteArrayView value);

/** The Status field of mbox readers ("RO": R read) and X-Status ("F" flagged). */
MessageFlags statusFieldFlags(QByteArrayView status, QByteArrayView xStatus);

/** The flags a message's own header fields carry; X-Mozilla-Status goes before Status. */
MessageFlags headerFlags(const QList<std::pair<QByteArray, QByteArray>>& fields);

/**
 * The flags of a Maildir message from its file name: the info after ":2," (also "!2," or ";2,",
 * where a file system takes no colon), S seen, F flagged, T trashed. A message in "new" has not
 * been seen; one in "cur" without S has not been read.
 */
MessageFlags maildirFlags(QStringView fileName, bool inNew);

/**
 * The sequences of an MH folder (its ".mh_sequences": lines "name: 1-3 5 8"); "unseen" and
 * "flagged" are what an import reads.
 */
class MhSequences {
public:
    static MhSequences parse(QByteArrayView text);

    bool contains(QByteArrayView sequence, int number) const;
    bool hasSequence(QByteArrayView sequence) const { return m_ranges.contains(sequence.toByteArray()); }
    /** The flags of message @p number: unread when it is unseen, once the file says anything at all. */
    MessageFlags flagsOf(int number) const;

private:
    QHash<QByteArray, QList<std::pair<int, int>>> m_ranges; // sorted, by sequence name
    bool m_empty = true;
};

} // namespace fumibako::mailimport
