#include "platform/mail/Charsets.h"

#include "platform/mail/Iconv.h"
#include "platform/Cp932.h"

#include <QHash>
#include <QStringDecoder>

#include <mutex>

namespace fumibako::platform::mail {

namespace {

constexpr char kEsc = 0x1B;

bool hasEightBit(QByteArrayView bytes)
{
    for (char c : bytes)
        if (uchar(c) >= 0x80)
            return true;
    return false;
}

bool hasJisEscape(QByteArrayView bytes)
{
    return bytes.contains("\x1B$B") || bytes.contains("\x1B$@") || bytes.contains("\x1B(I");
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

bool decodesCleanly(QByteArrayView bytes, const char* charset)
{
    bool clean = false;
    decodeWithIconv(bytes, charset, &clean);
    return clean;
}

// EUC-JP writes hiragana and katakana as A4xx/A5xx; code page 932 text of any length almost
// always has lead bytes 81–9F, which EUC-JP uses only for 8E (kana) and 8F (JIS X 0212).
bool looksLikeEucJp(QByteArrayView bytes)
{
    for (char c : bytes) {
        const uchar b = uchar(c);
        if (b >= 0x81 && b <= 0x9F && b != 0x8E && b != 0x8F)
            return false;
    }
    return true;
}

enum class JisMode { Ascii, Kanji, Kana, Unsupported };

bool isJisByte(uchar b)
{
    return b >= 0x21 && b <= 0x7E;
}

// Length of the ISO-2022-JP escape sequence at the start of @p rest (0 when it is none we know),
// and the mode it switches to.
qsizetype readEscape(QByteArrayView rest, JisMode* mode)
{
    if (rest.startsWith("\x1B(B") || rest.startsWith("\x1B(J")) {
        *mode = JisMode::Ascii;
        return 3;
    }
    if (rest.startsWith("\x1B$B") || rest.startsWith("\x1B$@")) {
        *mode = JisMode::Kanji;
        return 3;
    }
    if (rest.startsWith("\x1B(I")) {
        *mode = JisMode::Kana;
        return 3;
    }
    if (rest.startsWith("\x1B$(D")) { // JIS X 0212: no code page 932 form
        *mode = JisMode::Unsupported;
        return 4;
    }
    return 0;
}

// JIS X 0208 row/cell (0x21–0x7E each) to the Shift JIS code of the same position. Rows beyond
// 0x5E land in code page 932's extended lead bytes (ED/EE for the NEC-selected IBM kanji).
void appendJisAsSjis(QByteArray& out, uchar j1, uchar j2)
{
    uchar s1 = uchar(((j1 + 1) >> 1) + 0x70);
    if (s1 >= 0xA0)
        s1 += 0x40;
    uchar s2;
    if (j1 & 1) {
        s2 = uchar(j2 + 0x1F);
        if (s2 >= 0x7F)
            ++s2;
    } else {
        s2 = uchar(j2 + 0x7E);
    }
    out.append(char(s1));
    out.append(char(s2));
}

// The inverse of appendJisAsSjis; 0 when the code has no 7-bit JIS position.
quint16 sjisToJis(quint16 sjis)
{
    int s1 = sjis >> 8;
    int s2 = sjis & 0xFF;
    if (s1 >= 0xE0)
        s1 -= 0x40;
    int j1 = (s1 - 0x81) * 2 + 0x21;
    int j2;
    if (s2 >= 0x9F) {
        ++j1;
        j2 = s2 - 0x7E;
    } else {
        j2 = s2 - (s2 >= 0x80 ? 0x20 : 0x1F);
    }
    if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E)
        return 0;
    return quint16(j1 << 8 | j2);
}

// Code page 932 gives the IBM kanji as FAxx–FCxx, which have no JIS row; their NEC-selected
// twins (EDxx/EExx) do. Built once from iconv's own table.
const QHash<char32_t, quint16>& necSelectedCodes()
{
    static QHash<char32_t, quint16> table;
    static std::once_flag once;
    std::call_once(once, [] {
        for (int lead = 0xED; lead <= 0xEE; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char pair[2] = {char(lead), char(trail)};
                bool clean = false;
                const QString ch = decodeWithIconv(QByteArrayView(pair, 2), "CP932", &clean);
                if (clean && ch.size() == 1)
                    table.insert(ch.at(0).unicode(), quint16(lead << 8 | trail));
            }
        }
    });
    return table;
}

class JisEncoder {
public:
    JisEncoder() : m_toCp932("CP932", "UTF-8") {}

    // The JIS X 0208 code (with NEC extensions) of @p ch, or 0 when there is none that
    // decodes back to @p ch.
    quint16 jisCode(char32_t ch)
    {
        const auto cached = m_cache.constFind(ch);
        if (cached != m_cache.cend())
            return *cached;
        const quint16 code = lookUp(ch);
        m_cache.insert(ch, code);
        return code;
    }

private:
    quint16 lookUp(char32_t ch)
    {
        const QByteArray utf8 = QString::fromUcs4(&ch, 1).toUtf8();
        bool clean = false;
        const QByteArray sjis = m_toCp932.convert(utf8, "?", &clean);
        if (!clean || sjis.size() != 2)
            return 0;
        quint16 code = quint16(uchar(sjis[0]) << 8 | uchar(sjis[1]));
        if (code >= 0xFA00 && code <= 0xFCFF)
            code = necSelectedCodes().value(ch, 0);
        if (code == 0 || code >= 0xEF00)
            return 0;
        const char back[2] = {char(code >> 8), char(code & 0xFF)};
        if (decodeCp932Text(QByteArrayView(back, 2)) != QString::fromUcs4(&ch, 1))
            return 0; // one-way mappings such as U+301C → 8160 (which reads back as U+FF5E)
        return sjisToJis(code);
    }

    Iconv m_toCp932;
    QHash<char32_t, quint16> m_cache;
};

// Full-width forms of U+FF61–U+FF9F.
constexpr char16_t kFullWidthKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

bool takesVoicedMark(char16_t kana)
{
    return (kana >= 0x30AB && kana <= 0x30C8 && kana != 0x30C3) || kana == 0x30A6
        || (kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0);
}

bool takesSemiVoicedMark(char16_t kana)
{
    return kana >= 0x30CF && kana <= 0x30DB && (kana - 0x30CF) % 3 == 0;
}

} // namespace

QString decodeCp932Text(QByteArrayView bytes)
{
    // The table decoder gives the same characters as iconv, and is several times faster; a byte
    // that is no character comes back as an escape, which mail text shows as U+FFFD.
    QString text = platform::decodeCp932(bytes);
    for (QChar& ch : text) {
        if (ch.unicode() >= 0xDC80 && ch.unicode() <= 0xDCFF)
            ch = QChar(0xFFFD);
    }
    return text;
}

QByteArray canonicalCharset(QByteArrayView label)
{
    const QByteArray name = label.trimmed().toByteArray().toLower();
    static const QHash<QByteArray, QByteArray> aliases = {
        {"shift_jis", "CP932"},   {"shift-jis", "CP932"},   {"sjis", "CP932"},
        {"x-sjis", "CP932"},      {"ms_kanji", "CP932"},    {"csshiftjis", "CP932"},
        {"cp932", "CP932"},       {"windows-31j", "CP932"}, {"ms932", "CP932"},
        {"x-ms-cp932", "CP932"},  {"sjis-open", "CP932"},   {"iso-2022-jp", "ISO-2022-JP"},
        {"csiso2022jp", "ISO-2022-JP"}, {"iso-2022-jp-1", "ISO-2022-JP"},
        {"iso-2022-jp-2", "ISO-2022-JP"}, {"iso-2022-jp-3", "ISO-2022-JP"},
        {"iso-2022-jp-ms", "ISO-2022-JP"}, {"cp50220", "ISO-2022-JP"}, {"cp50221", "ISO-2022-JP"},
        {"euc-jp", "EUC-JP-MS"},  {"x-euc-jp", "EUC-JP-MS"}, {"eucjp", "EUC-JP-MS"},
        {"euc-jp-ms", "EUC-JP-MS"}, {"cseucpkdfmtjapanese", "EUC-JP-MS"},
        {"utf-8", "UTF-8"},       {"utf8", "UTF-8"},        {"us-ascii", "US-ASCII"},
        {"ascii", "US-ASCII"},    {"", ""},
        // Labels that senders put on text in a larger charset; the larger one reads both.
        {"iso-8859-1", "WINDOWS-1252"}, {"iso_8859-1", "WINDOWS-1252"}, {"latin1", "WINDOWS-1252"},
        {"gb2312", "GB18030"},    {"gbk", "GB18030"},       {"x-gbk", "GB18030"},
        {"euc-cn", "GB18030"},    {"csgb2312", "GB18030"},  {"cp936", "GB18030"},
        {"euc-kr", "CP949"},      {"ks_c_5601-1987", "CP949"}, {"ks_c_5601", "CP949"},
        {"big5", "BIG5-HKSCS"},   {"iso-8859-8-i", "ISO-8859-8"}};
    return aliases.value(name, name);
}

QByteArray guessCharset(QByteArrayView bytes)
{
    if (!hasEightBit(bytes))
        return hasJisEscape(bytes) ? "ISO-2022-JP" : "US-ASCII";
    if (isValidUtf8(bytes))
        return "UTF-8";
    const bool cp932 = decodesCleanly(bytes, "CP932");
    const bool eucJp = decodesCleanly(bytes, "EUC-JP-MS");
    if (eucJp && (!cp932 || looksLikeEucJp(bytes)))
        return "EUC-JP-MS";
    return "CP932";
}

std::optional<QByteArray> textFileCharset(QByteArrayView bytes)
{
    for (char c : bytes) {
        const uchar b = uchar(c);
        const bool textControl = b == '\t' || b == '\n' || b == '\r' || b == '\f' || b == uchar(kEsc);
        if ((b < 0x20 && !textControl) || b == 0x7F)
            return std::nullopt; // NUL and the like: binary, whatever its name says
    }
    const QByteArray guess = guessCharset(bytes);
    if (guess == "US-ASCII")
        return QByteArray("us-ascii");
    if (guess == "ISO-2022-JP" || guess == "UTF-8")
        return guess;
    if (!decodesCleanly(bytes, guess.constData()))
        return std::nullopt;
    // Readers take Shift_JIS for code page 932, as this program does.
    return guess == "CP932" ? QByteArray("Shift_JIS") : QByteArray("EUC-JP");
}

QString decodeText(QByteArrayView bytes, QByteArrayView charset)
{
    QByteArray name = canonicalCharset(charset);
    const bool undeclared = name.isEmpty() || name == "US-ASCII";
    if (undeclared || (name == "ISO-2022-JP" && hasEightBit(bytes) && !bytes.contains(kEsc)))
        name = guessCharset(bytes);
    if (name == "US-ASCII")
        return QString::fromLatin1(bytes);
    if (name == "ISO-2022-JP")
        return decodeIso2022Jp(bytes);
    if (name == "UTF-8")
        return QString::fromUtf8(bytes);
    if (!iconvKnows(name.constData()))
        return decodeText(bytes, guessCharset(bytes));
    return decodeWithIconv(bytes, name.constData());
}

QString decodeIso2022Jp(QByteArrayView bytes)
{
    JisMode mode = JisMode::Ascii;
    QString out;
    QByteArray pending; // code page 932 bytes not yet decoded
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = uchar(bytes[i]);
        const uchar next = i + 1 < n ? uchar(bytes[i + 1]) : 0;
        if (b == uchar(kEsc)) {
            const qsizetype length = readEscape(bytes.sliced(i), &mode);
            if (length == 0)
                pending.append(char(b));
            i += qMax<qsizetype>(length, 1) - 1;
        } else if (b == 0x0E || b == 0x0F) {
            mode = b == 0x0E ? JisMode::Kana : JisMode::Ascii;
        } else if (b == '\n' || b == '\r') {
            // A line break ends a shifted run even when the sender forgot ESC ( B.
            mode = JisMode::Ascii;
            pending.append(char(b));
        } else if (mode == JisMode::Kanji && isJisByte(b) && isJisByte(next)) {
            appendJisAsSjis(pending, b, next);
            ++i;
        } else if (mode == JisMode::Unsupported && isJisByte(b) && isJisByte(next)) {
            out += decodeCp932Text(pending) + QChar(0xFFFD);
            pending.clear();
            ++i;
        } else if (mode == JisMode::Kana && b >= 0x21 && b <= 0x5F) {
            pending.append(char(b + 0x80));
        } else {
            pending.append(char(b)); // ASCII, or stray 8-bit code page 932
        }
    }
    return out + decodeCp932Text(pending);
}

std::optional<QByteArray> encodeIso2022Jp(QStringView text)
{
    JisEncoder encoder;
    QByteArray out;
    bool kanji = false;
    for (const uint ch : text.toUcs4()) {
        if (ch < 0x80) {
            if (ch == 0x1B || ch == 0x0E || ch == 0x0F)
                return std::nullopt;
            if (kanji)
                out.append("\x1B(B");
            kanji = false;
            out.append(char(ch));
            continue;
        }
        const quint16 jis = encoder.jisCode(ch);
        if (jis == 0)
            return std::nullopt;
        if (!kanji)
            out.append("\x1B$B");
        kanji = true;
        out.append(char(jis >> 8));
        out.append(char(jis & 0xFF));
    }
    if (kanji)
        out.append("\x1B(B");
    return out;
}

QString toFullWidthKatakana(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0xFF61 || c > 0xFF9F) {
            out += QChar(c);
            continue;
        }
        char16_t kana = kFullWidthKana[c - 0xFF61];
        const char16_t next = i + 1 < text.size() ? text[i + 1].unicode() : 0;
        if (next == 0xFF9E && takesVoicedMark(kana)) {
            kana = kana == 0x30A6 ? char16_t(0x30F4) : char16_t(kana + 1);
            ++i;
        } else if (next == 0xFF9F && takesSemiVoicedMark(kana)) {
            kana = char16_t(kana + 2);
            ++i;
        }
        out += QChar(kana);
    }
    return out;
}

} // namespace fumibako::platform::mail
