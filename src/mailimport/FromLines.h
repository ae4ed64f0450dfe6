#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace fumibako::mailimport {

/**
 * @short The mboxrd rule for lines that begin with "From ", applied to a stream of bytes.
 *
 * In an mbox file a line that begins with "From " starts a message, so a writer puts a ">"
 * before every line of a message that is any number of ">" followed by "From ", and a reader
 * takes one away again. Quoting then unquoting gives back every message exactly. Files written
 * by the older mboxo rule (only "From " itself was quoted) read the same way: what cannot be told
 * apart there is a line that was ">From " before it was written, which comes back as "From ".
 *
 * The bytes may arrive in pieces of any size; a line's start is held back only while it may still
 * turn out to be such a line (a run of ">" and part of "From ").
 */
class FromLineFilter {
public:
    enum class Mode { Quote, Unquote };

    explicit FromLineFilter(Mode mode) : m_mode(mode) {}

    /** Filters the next piece of the stream, appending the result to @p out. */
    void feed(QByteArrayView data, QByteArray& out);
    /** Ends the stream: what was held back goes to @p out, and the next feed starts a new one. */
    void finish(QByteArray& out);

private:
    void releaseHeld(QByteArray& out);

    Mode m_mode;
    bool m_atLineStart = true;
    qint64 m_quotes = 0;  // ">" held at the start of the current line
    int m_fromMatched = 0; // characters of "From " matched after them
};

} // namespace fumibako::mailimport
