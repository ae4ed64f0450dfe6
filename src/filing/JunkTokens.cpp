#include "filing/JunkTokens.h"

#include "platform/TextRules.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace fumibako::filing {

namespace {

using textrules::CharClass;

// Of a long body its start decides; the rest would only cost time.
constexpr qsizetype kBodyCharacters = 32 * 1024;
// Words longer than this (hashes, encoded data) count as one kind of token.
constexpr qsizetype kMaxWord = 30;
constexpr qsizetype kMaxKatakana = 20;

/** Receives every token, with repeats: the field's prefix, then the text. */
class TokenSink {
public:
    virtual ~TokenSink() = default;
    virtual void token(QStringView prefix, QStringView text) = 0;
};

enum class Script { Kanji, Hiragana, Katakana };


Script scriptOf(char32_t c)
{
    if (c >= 0x3041 && c <= 0x309F)
        return Script::Hiragana;
    if ((c >= 0x30A0 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF))
        return Script::Katakana;
    return Script::Kanji; // kanji and iteration marks; hangul is cut alike
}

// Symbols that ordinary mail seldom needs and advertising loves; after folding, full-width
// forms are ASCII already.
bool isTellingSymbol(char32_t c)
{
    if (c == '!' || c == '$' || c == '%' || c == 0x3010 || c == 0x3011) // 【 】
        return true;
    if (c < 0x80)
        return false;
    const QChar::Category category = QChar::category(c);
    return category == QChar::Symbol_Other || category == QChar::Symbol_Currency || category == QChar::Symbol_Math;
}

/** Cuts folded text into tokens, all with one prefix. */
class TextCutter {
public:
    TextCutter(QStringView prefix, TokenSink& sink) : m_prefix(prefix), m_sink(sink) {}

    void cut(QStringView folded)
    {
        for (qsizetype i = 0; i < folded.size();) {
            const qsizetype at = i;
            char32_t c = folded[i].unicode();
            if (folded[i].isHighSurrogate() && i + 1 < folded.size() && folded[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(folded[i], folded[i + 1]);
                ++i;
            }
            ++i;
            const CharClass kind = textrules::classify(c);
            if (kind != CharClass::Word)
                endWord(folded);
            if (kind != CharClass::Japanese || scriptOf(c) != m_script)
                endRun(folded);
            if (kind == CharClass::Word) {
                if (m_wordStart < 0)
                    m_wordStart = at;
                m_wordEnd = i;
            } else if (kind == CharClass::Japanese) {
                if (m_run.empty()) {
                    m_script = scriptOf(c);
                    // Okurigana: a kanji with the kana that ends its word ("払い", "届け").
                    if (m_script == Script::Hiragana && m_kanjiEnd == at)
                        m_sink.token(m_prefix, folded.sliced(m_kanjiBegin, i - m_kanjiBegin));
                }
                m_run.push_back({at, i});
            } else if (isTellingSymbol(c)) {
                m_sink.token(m_prefix, folded.sliced(at, i - at));
            }
        }
        endWord(folded);
        endRun(folded);
    }

private:
    struct Span {
        qsizetype begin, end;
    };

    void endWord(QStringView text)
    {
        if (m_wordStart < 0)
            return;
        const QStringView word = text.sliced(m_wordStart, m_wordEnd - m_wordStart);
        m_wordStart = -1;
        const bool digits = std::all_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); });
        if (digits && word.size() > 4)
            m_sink.token(m_prefix, m_digitShapes[std::min<qsizetype>(word.size(), 12) - 5]);
        else if (word.size() > kMaxWord)
            m_sink.token(m_prefix, u"#long");
        else if (word.size() >= 2 || digits)
            m_sink.token(m_prefix, word);
    }

    void endRun(QStringView text)
    {
        const size_t n = m_run.size();
        m_kanjiEnd = -1;
        if (n == 0)
            return;
        if (m_script == Script::Kanji) {
            m_kanjiBegin = m_run.back().begin;
            m_kanjiEnd = m_run.back().end;
        }
        const auto piece = [&](size_t first, size_t last) {
            return text.sliced(m_run[first].begin, m_run[last].end - m_run[first].begin);
        };
        if (m_script == Script::Katakana) {
            if (n >= 2)
                m_sink.token(m_prefix, piece(0, std::min<size_t>(n, kMaxKatakana) - 1));
        } else if (n == 1) {
            if (m_script == Script::Kanji)
                m_sink.token(m_prefix, piece(0, 0));
        } else {
            for (size_t i = 0; i + 1 < n; ++i)
                m_sink.token(m_prefix, piece(i, i + 1));
        }
        m_run.clear();
    }

    const QStringView m_prefix;
    TokenSink& m_sink;
    qsizetype m_wordStart = -1;
    qsizetype m_wordEnd = 0;
    std::vector<Span> m_run;
    Script m_script = Script::Kanji;
    qsizetype m_kanjiBegin = -1; // the last character of the kanji run just ended
    qsizetype m_kanjiEnd = -1;
    // A number of five or more digits (a phone number, an amount, an order number) counts by its length.
    const QStringView m_digitShapes[8] = {u"#n5", u"#n6", u"#n7", u"#n8", u"#n9", u"#n10", u"#n11", u"#n12"};
};

void cutText(QStringView text, QStringView prefix, TokenSink& sink)
{
    const QString folded = textrules::foldText(text.left(kBodyCharacters));
    TextCutter(prefix, sink).cut(folded);
}

bool isIpAddress(QStringView host)
{
    return !host.isEmpty() && std::all_of(host.begin(), host.end(), [](QChar c) { return c.isDigit() || c == u'.'; });
}

// A host with its parent domains of two labels or more; an IPv4 address with its /24 and /16.
void hostTokens(QStringView host, QStringView prefix, TokenSink& sink)
{
    while (host.endsWith(u'.'))
        host.chop(1);
    if (host.isEmpty() || host.size() > 253)
        return;
    if (isIpAddress(host)) {
        sink.token(prefix, host);
        for (int cut = 0; cut < 2 && host.lastIndexOf(u'.') > 0; ++cut) {
            host = host.first(host.lastIndexOf(u'.'));
            sink.token(prefix, host);
        }
        return;
    }
    for (qsizetype dot = 0; dot >= 0 && host.indexOf(u'.') > 0;) {
        sink.token(prefix, host);
        dot = host.indexOf(u'.');
        host = host.sliced(dot + 1);
    }
    if (!host.isEmpty())
        sink.token(prefix, QString(QLatin1Char('.') + host.toString())); // the top-level domain alone
}

// The host of an address "scheme://user@host:port/..." or "mailto:user@host", lower-cased.
QString hostOfLink(QStringView link)
{
    qsizetype start = link.indexOf(u"://");
    if (start >= 0) {
        start += 3;
    } else if (link.startsWith(u"mailto:", Qt::CaseInsensitive)) {
        start = link.indexOf(u'@') + 1;
    } else if (link.startsWith(u"www.", Qt::CaseInsensitive)) {
        start = 0;
    } else {
        return QString();
    }
    qsizetype end = start;
    while (end < link.size() && !QStringView(u"/?#\\\"'<> \t\r\n").contains(link[end]))
        ++end;
    QStringView authority = link.sliced(start, end - start);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
        authority = authority.sliced(at + 1);
    if (const qsizetype colon = authority.indexOf(u':'); colon >= 0)
        authority = authority.first(colon);
    return textrules::foldText(authority);
}

void linkTokens(QStringView text, TokenSink& sink)
{
    static const QRegularExpression link(QStringLiteral("(?:https?://|www\\.)[^\\s\"'<>()]+"),
                                         QRegularExpression::CaseInsensitiveOption);
    int found = 0;
    for (auto it = link.globalMatch(text.left(kBodyCharacters)); it.hasNext() && found < 100; ++found)
        hostTokens(hostOfLink(it.next().capturedView()), u"u:", sink);
}

// The names and addresses a Received field gives for the server that handed the message on:
// "from NAME (NAME [ADDRESS])", up to "by".
void relayTokens(QStringView received, TokenSink& sink)
{
    static const QRegularExpression host(QStringLiteral("[a-z0-9][a-z0-9-]*(?:\\.[a-z0-9-]+)+"));
    const QString folded = textrules::foldText(received.left(1000)).simplified(); // unfolded lines keep their tabs
    QStringView from = folded;
    if (!from.startsWith(u"from "))
        return;
    const qsizetype by = from.indexOf(u" by ");
    from = from.sliced(5, (by < 0 ? from.size() : by) - 5);
    for (auto it = host.globalMatch(from); it.hasNext();)
        hostTokens(it.next().capturedView(), u"r:", sink);
}

void addressTokens(const QString& address, TokenSink& sink)
{
    const QString folded = textrules::foldText(address.trimmed());
    if (folded.isEmpty()) {
        sink.token(u"a:", u"#none");
        return;
    }
    sink.token(u"a:", folded);
    const qsizetype at = folded.lastIndexOf(u'@');
    if (at >= 0)
        hostTokens(QStringView(folded).sliced(at + 1), u"d:", sink);
}

void forEachJunkToken(const JunkInput& input, TokenSink& sink)
{
    if (input.subject.trimmed().isEmpty())
        sink.token(u"s:", u"#none");
    cutText(input.subject, u"s:", sink);
    if (input.fromName.trimmed().isEmpty())
        sink.token(u"n:", u"#none");
    cutText(input.fromName, u"n:", sink);
    addressTokens(input.fromAddress, sink);
    for (const QString& received : input.relays)
        relayTokens(received, sink);
    for (const QString& mailer : input.mailers)
        cutText(mailer, u"m:", sink);
    sink.token(u"c:", input.charset.isEmpty() ? QString(QStringLiteral("#none")) : textrules::foldText(input.charset));
    cutText(input.body, u"", sink);
    linkTokens(input.body, sink);
    for (const QString& target : input.links)
        hostTokens(hostOfLink(target), u"u:", sink);
}

/** Keeps each token once, as text. */
class TokenTexts : public TokenSink {
public:
    QStringList tokens;

    void token(QStringView prefix, QStringView text) override
    {
        QString token = prefix.toString();
        token.append(text);
        if (!m_seen.contains(token)) {
            m_seen.insert(token);
            tokens.append(std::move(token));
        }
    }

private:
    QSet<QString> m_seen;
};

constexpr quint64 kFnvOffset = 14695981039346656037ULL;
constexpr quint64 kFnvPrime = 1099511628211ULL;

quint64 fnv(quint64 hash, QStringView text)
{
    for (const QChar c : text) {
        hash = (hash ^ (c.unicode() & 0xFF)) * kFnvPrime;
        hash = (hash ^ (c.unicode() >> 8)) * kFnvPrime;
    }
    return hash;
}

qint64 idOf(QStringView prefix, QStringView text)
{
    return qint64(fnv(fnv(kFnvOffset, prefix), text) & 0xFFFFFFFFFFFFULL);
}

/** Keeps each token's number; sorted and made unique by the caller. */
class TokenIds : public TokenSink {
public:
    std::vector<qint64> ids;

    void token(QStringView prefix, QStringView text) override { ids.push_back(idOf(prefix, text)); }
};

} // namespace

QStringList junkTokens(const JunkInput& input)
{
    TokenTexts texts;
    forEachJunkToken(input, texts);
    return texts.tokens;
}

std::vector<qint64> junkTokenIds(const JunkInput& input)
{
    TokenIds sink;
    forEachJunkToken(input, sink);
    std::sort(sink.ids.begin(), sink.ids.end());
    sink.ids.erase(std::unique(sink.ids.begin(), sink.ids.end()), sink.ids.end());
    return std::move(sink.ids);
}

qint64 junkTokenId(QStringView token)
{
    return idOf(QStringView(), token);
}

} // namespace fumibako::filing
