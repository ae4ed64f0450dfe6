#include "mailimport/FromLines.h"

#include <cstring>

namespace fumibako::mailimport {

namespace {

constexpr char kFrom[] = "From ";
constexpr int kFromLength = 5;

void appendQuotes(QByteArray& out, qint64 count)
{
    if (count > 0)
        out.append(qsizetype(count), '>');
}

} // namespace

void FromLineFilter::releaseHeld(QByteArray& out)
{
    appendQuotes(out, m_quotes);
    out.append(kFrom, m_fromMatched);
    m_quotes = 0;
    m_fromMatched = 0;
    m_atLineStart = false;
}

void FromLineFilter::feed(QByteArrayView data, QByteArray& out)
{
    const char* p = data.data();
    const char* const end = p + data.size();
    while (p < end) {
        if (!m_atLineStart) {
            // The rest of the line goes out as it is.
            const void* newline = std::memchr(p, '\n', size_t(end - p));
            const char* stop = newline ? static_cast<const char*>(newline) + 1 : end;
            out.append(p, stop - p);
            p = stop;
            m_atLineStart = newline != nullptr;
            continue;
        }
        const char c = *p;
        if (c == '>' && m_fromMatched == 0) {
            ++m_quotes;
            ++p;
            continue;
        }
        if (c == kFrom[m_fromMatched]) {
            ++m_fromMatched;
            ++p;
            if (m_fromMatched == kFromLength) {
                const qint64 quotes = m_mode == Mode::Quote ? m_quotes + 1 : (m_quotes > 0 ? m_quotes - 1 : 0);
                appendQuotes(out, quotes);
                out.append(kFrom, kFromLength);
                m_quotes = 0;
                m_fromMatched = 0;
                m_atLineStart = false;
            }
            continue;
        }
        // Not such a line: what was held goes out unchanged, and this character with the line.
        releaseHeld(out);
    }
}

void FromLineFilter::finish(QByteArray& out)
{
    releaseHeld(out);
    m_atLineStart = true;
}

} // namespace fumibako::mailimport
