#include "platform/TextRules.h"

#include <QChar>

namespace fumibako::textrules {

namespace {

bool isJapanese(char32_t c)
{
    return (c >= 0x3041 && c <= 0x3096)     // hiragana
        || (c >= 0x3099 && c <= 0x309A)     // combining voiced sound marks
        || (c >= 0x309D && c <= 0x309F)     // ゝ ゞ ゟ
        || (c >= 0x30A1 && c <= 0x30FA)     // katakana (not the middle dot ・)
        || (c >= 0x30FC && c <= 0x30FF)     // ー ヽ ヾ ヿ
        || (c >= 0x3005 && c <= 0x3007)     // 々 〆 〇
        || c == 0x303B                      // 〻
        || (c >= 0x31F0 && c <= 0x31FF)     // small katakana for Ainu
        || (c >= 0x3400 && c <= 0x4DBF)     // kanji, extension A
        || (c >= 0x4E00 && c <= 0x9FFF)     // kanji
        || (c >= 0xF900 && c <= 0xFAFF)     // compatibility kanji
        || (c >= 0x20000 && c <= 0x323AF)   // kanji, extensions B to H
        || (c >= 0x1100 && c <= 0x11FF)     // hangul jamo
        || (c >= 0x3131 && c <= 0x318E)     // hangul compatibility jamo
        || (c >= 0xAC00 && c <= 0xD7A3);    // hangul syllables
}

// The code point at @p i of @p text and how many UTF-16 units it takes.
char32_t codePointAt(QStringView text, qsizetype i, int* units)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    *units = 1;
    return c.unicode();
}

void appendCodePoint(QString& out, char32_t c)
{
    if (QChar::requiresSurrogates(c)) {
        out.append(QChar(QChar::highSurrogate(c)));
        out.append(QChar(QChar::lowSurrogate(c)));
    } else {
        out.append(QChar(char16_t(c)));
    }
}

// The code points of @p text in order, with their classes, separators left out: the comparable
// form has single spaces only where a separator matters, and they end the segments here.
struct Segment {
    CharClass kind;
    std::vector<char32_t> chars;
};

std::vector<Segment> segments(QStringView comparable)
{
    std::vector<Segment> result;
    bool split = true;
    for (qsizetype i = 0; i < comparable.size();) {
        int units = 1;
        const char32_t c = codePointAt(comparable, i, &units);
        i += units;
        const CharClass kind = classify(c);
        if (kind == CharClass::Separator) {
            split = true;
            continue;
        }
        if (split || result.back().kind != kind)
            result.push_back({kind, {}});
        result.back().chars.push_back(c);
        split = false;
    }
    return result;
}

QString textOf(const char32_t* chars, size_t count)
{
    QString text;
    for (size_t i = 0; i < count; ++i)
        appendCodePoint(text, chars[i]);
    return text;
}

} // namespace

CharClass classify(char32_t c)
{
    if (c < 0x80) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        return alnum ? CharClass::Word : CharClass::Separator;
    }
    if (isJapanese(c))
        return CharClass::Japanese;
    if (QChar::isLetterOrNumber(c) || QChar::isMark(c))
        return CharClass::Word;
    return CharClass::Separator;
}

namespace {

// Characters that NFKC normalization leaves as they are and case folding too (but for A-Z):
// ASCII, kana, kanji and the common Japanese punctuation, most of Japanese mail. A text of only
// these is folded here, several times faster than through Qt's normalization.
bool foldsToItself(char16_t c)
{
    return c < 0x80 || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3041 && c <= 0x3096) || (c >= 0x30A1 && c <= 0x30FE)
        || (c >= 0x3001 && c <= 0x3002) || (c >= 0x3008 && c <= 0x3011);
}

} // namespace

bool isFoldedAlready(QStringView text)
{
    for (const QChar c : text) {
        if (!foldsToItself(c.unicode()))
            return false;
    }
    return true;
}

namespace {

// Writes the comparable form of @p folded to @p out (room for folded.size() units); A-Z are
// lowered on the way when @p lowerAscii. Returns the units written.
qsizetype writeComparable(char16_t* out, QStringView folded, bool lowerAscii)
{
    qsizetype length = 0;
    CharClass last = CharClass::Separator;
    bool gap = false;
    for (qsizetype i = 0; i < folded.size();) {
        int units = 1;
        const char32_t c = codePointAt(folded, i, &units);
        const CharClass kind = classify(c);
        if (kind == CharClass::Separator) {
            gap = length > 0;
        } else {
            if (gap && kind == last)
                out[length++] = u' '; // a separator run is at least as long as its space
            gap = false;
            last = kind;
            if (lowerAscii && c >= u'A' && c <= u'Z')
                out[length++] = char16_t(c + 32);
            else
                for (int unit = 0; unit < units; ++unit)
                    out[length++] = folded[i + unit].unicode();
        }
        i += units;
    }
    return length;
}

} // namespace

QString foldText(QStringView text)
{
    if (!isFoldedAlready(text))
        return text.toString().normalized(QString::NormalizationForm_KC).toCaseFolded();
    QString folded(text.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        out[i] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    }
    return folded;
}

void appendComparable(QString& out, QStringView text)
{
    // Most text needs no normalization: it is made comparable as it is, A-Z lowered on the way.
    const bool asItIs = isFoldedAlready(text);
    const QString folded = asItIs ? QString() : foldText(text);
    const QStringView source = asItIs ? text : QStringView(folded);
    const qsizetype start = out.size();
    out.resize(start + source.size());
    out.truncate(start + writeComparable(reinterpret_cast<char16_t*>(out.data()) + start, source, asItIs));
}

QString comparableText(QStringView text)
{
    QString comparable;
    appendComparable(comparable, text);
    return comparable;
}

QString comparableFolded(QStringView folded)
{
    QString comparable(folded.size(), Qt::Uninitialized);
    comparable.truncate(writeComparable(reinterpret_cast<char16_t*>(comparable.data()), folded, false));
    return comparable;
}

std::vector<QueryToken> queryTokens(QStringView comparableTerm)
{
    const std::vector<Segment> parts = segments(comparableTerm);
    std::vector<QueryToken> tokens;
    for (size_t s = 0; s < parts.size(); ++s) {
        const Segment& part = parts[s];
        const bool last = s + 1 == parts.size();
        const size_t n = part.chars.size();
        if (part.kind == CharClass::Word && n > size_t(kMaxWordLength)) {
            tokens.push_back({textOf(part.chars.data(), size_t(kMaxWordLength)), last});
            continue;
        }
        if (part.kind == CharClass::Word || n == 1) {
            tokens.push_back({textOf(part.chars.data(), n), last});
            continue;
        }
        for (size_t i = 0; i + 1 < n; ++i)
            tokens.push_back({textOf(part.chars.data() + i, 2), false});
        if (!last)
            tokens.push_back({textOf(part.chars.data() + n - 1, 1), false});
    }
    return tokens;
}

} // namespace fumibako::textrules
