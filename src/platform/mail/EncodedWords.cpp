#include "platform/mail/EncodedWords.h"

#include <array>

#include "platform/mail/Charsets.h"

#include <QRegularExpression>

namespace fumibako::platform::mail {

namespace {

// RFC 2047 allows 75; 64 lets a word follow "Resent-From: " on the first line within 78.
constexpr int kMaxWordLength = 64;
constexpr int kMaxLineLength = 78;

// One piece of a header value: an encoded word (decoded to bytes, with its charset) or raw text.
struct Segment {
    bool encoded = false;
    QByteArray charset;
    QByteArray bytes;
};

QByteArray decodeQ(QByteArrayView text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        bool ok = false;
        if (c == '=' && i + 2 < text.size()) {
            const int value = text.sliced(i + 1, 2).toByteArray().toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 2;
                continue;
            }
        }
        out.append(c == '_' ? ' ' : c);
    }
    return out;
}

bool isBlank(QByteArrayView text)
{
    for (char c : text)
        if (c != ' ' && c != '\t')
            return false;
    return true;
}

QList<Segment> splitSegments(const QByteArray& value)
{
    static const QRegularExpression word(QStringLiteral(R"(=\?([^?\s]+)\?([BbQq])\?([^?\s]*)\?=)"));
    QList<Segment> segments;
    const QString latin = QString::fromLatin1(value); // keeps byte offsets equal to indexes
    qsizetype pos = 0;
    for (auto it = word.globalMatch(latin); it.hasNext();) {
        const auto m = it.next();
        const QByteArray between = value.mid(pos, m.capturedStart() - pos);
        const bool joinsWords = !segments.isEmpty() && segments.last().encoded && isBlank(between);
        if (!between.isEmpty() && !joinsWords)
            segments.append({false, {}, between});
        QByteArray charset = m.captured(1).toLatin1();
        if (const qsizetype star = charset.indexOf('*'); star >= 0)
            charset.truncate(star); // RFC 2231 language suffix
        const QByteArray text = m.captured(3).toLatin1();
        const bool base64 = m.captured(2).compare(QLatin1String("B"), Qt::CaseInsensitive) == 0;
        segments.append({true, charset, base64 ? decodeBase64Leniently(text) : decodeQ(text)});
        pos = m.capturedEnd();
    }
    if (pos < value.size())
        segments.append({false, {}, value.mid(pos)});
    return segments;
}

QByteArray wordFor(const QByteArray& charset, const QByteArray& bytes)
{
    return "=?" + charset + "?B?" + bytes.toBase64() + "?=";
}

// Splits @p text into the longest runs of whole characters whose encoding by @p encode stays
// within @p maxBytes.
template<typename Encode>
QList<QByteArray> splitIntoWords(const QString& text, const QByteArray& charset, int maxBytes, Encode encode)
{
    QList<QByteArray> words;
    QString run;
    QByteArray runBytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, length);
        i += length - 1;
        const QByteArray bytes = encode(run + ch);
        if (bytes.size() > maxBytes && !run.isEmpty()) {
            words.append(wordFor(charset, runBytes));
            run = ch;
            runBytes = encode(ch);
        } else {
            run += ch;
            runBytes = bytes;
        }
    }
    if (!run.isEmpty())
        words.append(wordFor(charset, runBytes));
    return words;
}

int maxPayload(const QByteArray& charset)
{
    const int room = kMaxWordLength - int(charset.size()) - 7; // "=?" cs "?B?" … "?="
    return room / 4 * 3;
}

} // namespace

QByteArray decodeBase64Leniently(QByteArrayView text)
{
    // 0-63 for the alphabet, -1 for padding, -2 for everything that is skipped.
    static const auto table = [] {
        std::array<qint8, 256> values;
        values.fill(-2);
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            values[uchar(alphabet[i])] = qint8(i);
        values['='] = -1;
        return values;
    }();
    QByteArray out(text.size() / 4 * 3 + 3, Qt::Uninitialized);
    char* end = out.data();
    quint32 bits = 0;
    int count = 0;
    for (char c : text) {
        const int value = table[uchar(c)];
        if (value < 0) {
            // Padding ends a block: what follows (concatenated chunks) starts afresh.
            if (value == -1)
                bits = 0, count = 0;
            continue;
        }
        bits = bits << 6 | quint32(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            *end++ = char((bits >> count) & 0xFF);
        }
    }
    out.truncate(end - out.data());
    return out;
}

QString decodeHeaderText(QByteArrayView raw)
{
    QByteArray value = raw.toByteArray();
    value.replace("\r", "").replace("\n", "");
    const QList<Segment> segments = splitSegments(value);
    QString out;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const Segment& s = segments[i];
        if (!s.encoded) {
            out += decodeText(s.bytes, {});
            continue;
        }
        // Adjacent words in the same charset are decoded as one byte run.
        QByteArray bytes = s.bytes;
        while (i + 1 < segments.size() && segments[i + 1].encoded
               && canonicalCharset(segments[i + 1].charset) == canonicalCharset(s.charset))
            bytes += segments[++i].bytes;
        out += decodeText(bytes, s.charset);
    }
    return out;
}

QList<QByteArray> encodeWords(QStringView text)
{
    const QString full = toFullWidthKatakana(text);
    if (encodeIso2022Jp(full)) {
        return splitIntoWords(full, "ISO-2022-JP", maxPayload("ISO-2022-JP"),
                              [](const QString& s) { return *encodeIso2022Jp(s); });
    }
    return splitIntoWords(text.toString(), "UTF-8", maxPayload("UTF-8"),
                          [](const QString& s) { return s.toUtf8(); });
}

QList<QByteArray> headerTokens(QStringView text)
{
    QString clean = text.toString();
    for (QChar& c : clean)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    bool plain = !clean.contains(QLatin1String("=?"));
    for (QChar c : clean)
        plain = plain && c.unicode() < 0x7F;
    if (!plain)
        return encodeWords(clean);
    QList<QByteArray> tokens;
    for (const QString& word : clean.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        tokens.append(word.toLatin1());
    return tokens;
}

QByteArray foldField(QByteArrayView name, const QList<QByteArray>& tokens)
{
    QByteArray out = name.toByteArray() + ":";
    qsizetype lineLength = out.size();
    for (const QByteArray& token : tokens) {
        if (lineLength + 1 + token.size() > kMaxLineLength && lineLength > name.size() + 1) {
            out += "\r\n";
            lineLength = 0;
        }
        out += ' ' + token;
        lineLength += 1 + token.size();
    }
    return out + "\r\n";
}

} // namespace fumibako::platform::mail
