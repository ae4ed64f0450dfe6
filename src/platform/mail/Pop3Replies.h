#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <functional>
#include <optional>

/*
 * What a POP3 server answers (RFC 1939), read from bytes: the status line, the body of a
 * multi-line reply as it arrives, and the listings of STAT, UIDL and LIST. Server replies are
 * outside input: nothing here trusts a length, a number or a line end the server sent.
 */
namespace fumibako::platform::mail::pop3 {

/** The first line of a reply. */
struct Status {
    bool ok = false;
    QByteArray text; ///< the line without "+OK"/"-ERR" and the space after it
};

/** "+OK …" or "-ERR …" (CR LF removed); nothing for any other line. */
std::optional<Status> parseStatus(QByteArrayView line);

/**
 * @short The body of a multi-line reply, decoded as it comes in.
 *
 * Lines end with CR LF. A line that is only "." ends the body; any other line that starts with
 * "." loses that dot (the server doubled it). The body handed on is the lines with their CR LF,
 * so a message arrives exactly as the server holds it.
 */
class MultiLineDecoder {
public:
    /** Takes decoded bytes; returning false stops the decoding (the sink failed). */
    using Sink = std::function<bool(const char* data, qsizetype size)>;

    /**
     * Decodes from @p data up to the end of the body or of @p size bytes; returns how many
     * bytes were used (the bytes after the end line belong to the next reply). Returns -1 when
     * the sink failed.
     */
    qsizetype feed(const char* data, qsizetype size, const Sink& sink);
    /** True once the end line was read. */
    bool finished() const { return m_state == State::Finished; }

private:
    enum class State { LineStart, Dot, DotCr, InLine, Finished };

    qsizetype feedLine(const char* data, qsizetype size, const Sink& sink);

    State m_state = State::LineStart;
    bool m_afterCr = false; // in a line, the last byte was CR
};

/** STAT's "+OK count size": nothing unless both are non-negative numbers. */
struct MailboxSize {
    int count = 0;
    qint64 bytes = 0;
};
std::optional<MailboxSize> parseStat(QByteArrayView statusText);

/** The lines "number uid" of a UIDL listing; lines that do not parse are left out. */
QHash<int, QByteArray> parseUidlListing(QByteArrayView listing);

/** The lines "number size" of a LIST listing; lines that do not parse are left out. */
QHash<int, qint64> parseSizeListing(QByteArrayView listing);

/** Whether CAPA lines (one capability a line, the listing of a multi-line reply) name @p capability. */
bool offersCapability(QByteArrayView capaListing, QByteArrayView capability);

} // namespace fumibako::platform::mail::pop3
