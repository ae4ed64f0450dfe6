#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

#include <optional>

/*
 * What an SMTP server answers (RFC 5321 4.2), read from lines, and the DATA form of a message.
 * Server replies are outside input: a reply line is taken only when it has the reply's shape.
 */
namespace fumibako::platform::mail::smtp {

/** One line of a reply: "250-text" (more follow) or "250 text" / "250" (the last). */
struct ReplyLine {
    int code = 0;
    bool last = false;
    QByteArray text;
};

/** A reply line (CR LF removed or not); nothing when it is not one. */
std::optional<ReplyLine> parseReplyLine(QByteArrayView line);

/** A whole reply: its code and its lines as they came (without CR LF). */
struct Reply {
    int code = 0;
    QByteArrayList lines;

    bool positive() const { return code >= 200 && code < 400; }
};

/**
 * @short Gathers the lines of one reply.
 *
 * add() takes lines until the last one of a reply; a line that is not a reply line, or whose
 * code differs from the first line's, makes the reply malformed (the connection is out of step).
 */
class ReplyAssembler {
public:
    enum class State { NeedMore, Complete, Malformed };

    State add(QByteArrayView line);
    /** The reply, once add() said Complete; the assembler then starts afresh. */
    Reply take();

private:
    Reply m_reply;
};

/**
 * @short A message in the form DATA sends it: lines that start with "." get a second one, and
 * the end line ".", after a CR LF of its own when the message lacks one.
 *
 * Takes the message in pieces of any size, lines cut anywhere.
 */
class DotStuffer {
public:
    /** The next piece of the message, stuffed. */
    QByteArray stuff(QByteArrayView piece);
    /** What ends the DATA: "\r\n.\r\n" or ".\r\n". */
    QByteArray end() const;

private:
    bool m_lineStart = true;
    bool m_afterCr = false;
};

} // namespace fumibako::platform::mail::smtp
