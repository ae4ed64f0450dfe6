#include "mailview/PreviewRenderer.h"

#include "mailview/PreviewSelection.h"
#include "platform/AtomicFile.h"
#include "platform/Cp932.h"

#include <cstring>

namespace fumibako::mailview {

namespace {

constexpr QStringView kCrLf = u"\r\n";
constexpr QStringView kGreenOpen = u"<font color=\"Green\">";
constexpr QStringView kFontClose = u"</font>";
constexpr char16_t kFullWidthSpace = 0x3000;

// The number a Windows file-access failure is reported with.
constexpr int kFileAccessError = 75;

/**
 * The character's value in code page 932 read as a signed 16-bit number: its byte for a
 * single-byte character, negative for a double-byte one, 63 ("?") for one the code page lacks.
 */
int ansiValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u;
    if (u >= 0xFF61 && u <= 0xFF9F) // half-width katakana
        return u - 0xFF61 + 0xA1;
    if (u >= 0xDC80 && u <= 0xDCFF) // an undecodable byte kept as an escape
        return u - 0xDC00;
    const QByteArray bytes = platform::encodeCp932(QStringView(&c, 1));
    if (bytes.size() >= 2)
        return -1;
    return quint8(bytes.at(0));
}

// A "<" left in the text after escaping can only belong to a tag the renderer inserted (the
// closing tag of a quote run), so it ends a URL as well.
bool isUrlStop(QChar c)
{
    return c == u'<' || ansiValue(c) < 33;
}

bool isAddressStopBackward(QChar c)
{
    return c == u':' || c == u'<' || c == u'>' || c == u';' || ansiValue(c) < 45;
}

bool isAddressStopForward(QChar c)
{
    return c == u'<' || c == u'>' || ansiValue(c) < 45;
}

// Searching for one character is several times faster than for a string (a megabyte of text
// has tens of thousands of lines to find).
qsizetype indexOfCrLf(QStringView text, qsizetype from)
{
    for (;;) {
        const qsizetype cr = text.indexOf(u'\r', from);
        if (cr < 0 || cr + 1 >= text.size())
            return -1;
        if (text[cr + 1] == u'\n')
            return cr;
        from = cr + 1;
    }
}

qsizetype indexOfHttp(QStringView text, qsizetype from)
{
    for (;;) {
        const qsizetype h = text.indexOf(u'h', from);
        if (h < 0 || text.sliced(h).startsWith(u"http"))
            return h;
        from = h + 1;
    }
}

/** Appends @p line with "&", "\"", "<", ">" as entities and every two spaces as one full-width space. */
void appendEscaped(QString& out, QStringView line)
{
    static constexpr char16_t fullWidthSpace[] = {kFullWidthSpace, 0};
    const qsizetype n = line.size();
    qsizetype plain = 0; // start of the text not yet appended
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = line[i].unicode();
        if (u > u'>') // every character replaced here is ">" or below
            continue;
        QStringView replacement;
        qsizetype taken = 1;
        switch (u) {
        case u'&': replacement = u"&amp;"; break;
        case u'"': replacement = u"&quot;"; break;
        case u'<': replacement = u"&lt;"; break;
        case u'>': replacement = u"&gt;"; break;
        case u' ':
            if (i + 1 >= n || line[i + 1] != u' ')
                continue;
            replacement = fullWidthSpace;
            taken = 2;
            break;
        default: continue;
        }
        out += line.mid(plain, i - plain);
        out += replacement;
        i += taken - 1;
        plain = i + 1;
    }
    out += line.mid(plain);
}

/**
 * Escapes the body and wraps every run of consecutive quote lines (first character ">") in a
 * green font element; the CR LF after a run stays outside it. Working line by line puts every
 * quote line in exactly one run, however long the runs are.
 */
QString escapeAndColourQuotes(QStringView body)
{
    QString out;
    out.reserve(body.size() + body.size() / 8 + 64);
    bool inRun = false;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = indexOfCrLf(body, start);
        const QStringView line = body.mid(start, (end < 0 ? body.size() : end) - start);
        if (!inRun && line.startsWith(u'>')) {
            out += kGreenOpen;
            inRun = true;
        }
        appendEscaped(out, line);
        if (inRun && !(end >= 0 && body.mid(end + 2).startsWith(u'>'))) {
            out += kFontClose;
            inRun = false;
        }
        if (end < 0)
            return out;
        out += kCrLf;
        start = end + 2;
    }
}

/**
 * Turns web and mail addresses into links and puts "<br>" before every CR LF, in one pass over
 * the escaped text; the output is built by appending, never by inserting into the text.
 */
class LinkWriter {
public:
    explicit LinkWriter(QStringView text) : m_text(text) { m_out.reserve(text.size() + text.size() / 4 + 64); }

    QString run()
    {
        while (m_pos < m_text.size()) {
            const qsizetype http = nextHttp();
            const qsizetype at = nextAt();
            if (http < 0 && at < 0)
                break;
            if (http >= 0 && (at < 0 || http < at))
                linkUrl(http);
            else
                linkAddress(at);
        }
        copyUpTo(m_text.size());
        return std::move(m_out);
    }

private:
    qsizetype nextHttp()
    {
        if (m_http != -1 && m_http < m_pos)
            m_http = indexOfHttp(m_text, m_pos);
        return m_http;
    }

    qsizetype nextAt()
    {
        if (m_at != -1 && m_at < m_pos)
            m_at = m_text.indexOf(u'@', m_pos);
        return m_at;
    }

    /** Copies the text up to @p end, with "<br>" before each CR LF (links never hold a CR). */
    void copyUpTo(qsizetype end)
    {
        qsizetype from = m_copied;
        for (;;) {
            if (m_crlf != -1 && m_crlf < from)
                m_crlf = indexOfCrLf(m_text, from);
            if (m_crlf < 0 || m_crlf + 2 > end)
                break;
            m_out += m_text.mid(from, m_crlf - from);
            m_out += u"<br>\r\n";
            from = m_crlf + 2;
        }
        m_out += m_text.mid(from, end - from);
        m_copied = end;
    }

    void linkUrl(qsizetype start)
    {
        qsizetype end = start;
        while (end < m_text.size() && !isUrlStop(m_text[end]))
            ++end;
        if (m_text[end - 1] == u'.') // a sentence's full stop is not part of the address
            --end;
        const QStringView url = m_text.mid(start, end - start);
        copyUpTo(start);
        m_out += u"<a href=\"";
        m_out += url;
        m_out += u"\" target=\"_blank\">";
        m_out += url;
        m_out += u"</a>";
        m_copied = m_pos = m_linkEnd = end;
    }

    void linkAddress(qsizetype at)
    {
        qsizetype begin = at;
        // The text before the last link ends in its ">", where the backward scan stops.
        while (begin > m_linkEnd && !isAddressStopBackward(m_text[begin - 1]))
            --begin;
        qsizetype end = at + 1;
        while (end < m_text.size() && !isAddressStopForward(m_text[end]))
            ++end;
        if (begin == at || end == at + 1) {
            m_pos = end + 1; // on past the character that stopped the forward scan
            return;
        }
        const QStringView address = m_text.mid(begin, end - begin);
        copyUpTo(begin);
        m_out += u"<a href=\"fumibako:";
        m_out += address;
        m_out += u"\"><font color=\"#FF0000\">";
        m_out += address;
        m_out += u"</font></a>";
        m_copied = m_pos = m_linkEnd = end;
    }

    QStringView m_text;
    QString m_out;
    qsizetype m_pos = 0;     // where the next candidate search starts
    qsizetype m_copied = 0;  // text before this index is in m_out
    qsizetype m_linkEnd = 0; // end of the last link in the text
    qsizetype m_http = -2;   // cached search results; -1: none left, -2: not searched yet
    qsizetype m_at = -2;
    qsizetype m_crlf = -2;
};

QString characterReference(char32_t code)
{
    return QStringLiteral("&#x") + QString::number(quint32(code), 16).toUpper() + u';';
}

/** @p page with every character code page 932 cannot give back exactly as a character reference. */
QString withReferencesForMissing(QStringView page)
{
    QString out;
    out.reserve(page.size() + 64);
    for (qsizetype i = 0; i < page.size();) {
        const QChar c = page[i];
        if (c.isHighSurrogate() && i + 1 < page.size() && page[i + 1].isLowSurrogate()) {
            out += characterReference(QChar::surrogateToUcs4(c, page[i + 1]));
            i += 2;
            continue;
        }
        if (c.unicode() >= 0x80 && !platform::isCp932Representable(QStringView(&c, 1)))
            out += c.isSurrogate() ? characterReference(0xFFFD) : characterReference(c.unicode());
        else
            out += c;
        ++i;
    }
    return out;
}

/** encodeCp932 with ASCII copied directly: a page is mostly markup. */
QByteArray encodeMostlyAscii(QStringView text, bool* lossless)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char* p = out.data();
    bool exact = true;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i].unicode() < 0x80) {
            *p++ = char(text[i++].unicode());
            continue;
        }
        qsizetype j = i + 1;
        while (j < text.size() && text[j].unicode() >= 0x80)
            ++j;
        bool runExact = true;
        const QByteArray run = platform::encodeCp932(text.mid(i, j - i), &runExact);
        std::memcpy(p, run.constData(), run.size());
        p += run.size();
        exact = exact && runExact;
        i = j;
    }
    out.truncate(p - out.constData());
    if (lossless)
        *lossless = exact;
    return out;
}

/** A settings value made safe inside a double-quoted attribute. */
QString escapedAttribute(const QString& value)
{
    QString out = value;
    out.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'"', QStringLiteral("&quot;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
    return out;
}

} // namespace

QString renderPreviewText(const QString& body)
{
    const QString escaped = escapeAndColourQuotes(body);
    return LinkWriter(escaped).run();
}

QString renderPreviewPage(const QString& body, const PreviewFont& font)
{
    const QString text = renderPreviewText(body);
    QString page;
    page.reserve(text.size() + font.name.size() + font.size.size() + 80);
    page += u"<html><body>\r\n<font face=\"";
    page += escapedAttribute(font.name);
    page += u"\" size=\"";
    page += escapedAttribute(font.size);
    page += u"\">\r\n";
    page += text;
    page += u"\r\n</font>\r\n</body></html>\r\n";
    return page;
}

QByteArray encodePreviewPage(const QString& page)
{
    bool lossless = true;
    QByteArray bytes = encodeMostlyAscii(page, &lossless);
    if (lossless)
        return bytes;
    return encodeMostlyAscii(withReferencesForMissing(page), nullptr);
}

bool MakePreview(platform::UserPrompts& prompts, const QString& previewFile, const QString& body,
                 const PreviewFont& font)
{
    const QByteArray bytes = encodePreviewPage(renderPreviewPage(body, font));
    QString error;
    // The page is rebuilt from the mail at every click: it needs replacing whole, not flushing.
    if (platform::writeFileAtomically(previewFile, bytes, &error, platform::Durability::ReplaceOnly))
        return true;
    showPreviewError(prompts, kFileAccessError, error);
    return false;
}

} // namespace fumibako::mailview
