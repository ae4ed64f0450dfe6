#include "platform/mail/SmtpReplies.h"

#include <cctype>
#include <utility>

namespace fumibako::platform::mail::smtp {

namespace {

// A reply of more lines than this is no SMTP server's.
constexpr qsizetype MaxReplyLines = 1000;

} // namespace

std::optional<ReplyLine> parseReplyLine(QByteArrayView line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.size() < 3)
        return std::nullopt;
    int code = 0;
    for (qsizetype i = 0; i < 3; ++i) {
        if (!std::isdigit(uchar(line[i])))
            return std::nullopt;
        code = code * 10 + (line[i] - '0');
    }
    if (code < 200 || code > 599)
        return std::nullopt;
    ReplyLine parsed;
    parsed.code = code;
    if (line.size() == 3) {
        parsed.last = true;
        return parsed;
    }
    if (line[3] != ' ' && line[3] != '-')
        return std::nullopt;
    parsed.last = line[3] == ' ';
    parsed.text = line.sliced(4).toByteArray();
    return parsed;
}

ReplyAssembler::State ReplyAssembler::add(QByteArrayView line)
{
    const std::optional<ReplyLine> parsed = parseReplyLine(line);
    if (!parsed || (!m_reply.lines.isEmpty() && parsed->code != m_reply.code) || m_reply.lines.size() >= MaxReplyLines)
        return State::Malformed;
    m_reply.code = parsed->code;
    QByteArrayView bare = line;
    while (bare.endsWith('\n') || bare.endsWith('\r'))
        bare.chop(1);
    m_reply.lines.append(bare.toByteArray());
    return parsed->last ? State::Complete : State::NeedMore;
}

Reply ReplyAssembler::take()
{
    return std::exchange(m_reply, Reply());
}

QByteArray DotStuffer::stuff(QByteArrayView piece)
{
    QByteArray out;
    out.reserve(piece.size() + piece.size() / 64 + 2);
    qsizetype from = 0;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        if (m_lineStart && c == '.') {
            out.append(piece.sliced(from, i - from));
            out.append('.');
            from = i; // the dot itself follows with the rest
        }
        m_lineStart = m_afterCr && c == '\n';
        m_afterCr = c == '\r';
    }
    out.append(piece.sliced(from));
    return out;
}

QByteArray DotStuffer::end() const
{
    return m_lineStart ? QByteArray(".\r\n") : QByteArray("\r\n.\r\n");
}

} // namespace fumibako::platform::mail::smtp
