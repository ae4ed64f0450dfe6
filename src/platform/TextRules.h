#pragma once

#include <QString>
#include <QStringView>

#include <string_view>
#include <vector>

/**
 * The text rules that searching and matching share: which characters make words, the folding that makes
 * full-width and half-width, upper and lower case the same, and the tokens the index holds.
 *
 * Japanese is written without spaces, so a run of Japanese characters is indexed as every pair
 * of neighbours (and its last character alone): a Japanese term of any length is then found
 * anywhere in the text as the sequence of its pairs. Words of alphabetic scripts are indexed
 * whole, so a Latin term is found at the start of a word.
 */
namespace fumibako::textrules {

/** How the matching rules see a character. */
enum class CharClass {
    Separator, ///< spaces, punctuation, symbols, emoji: they only separate
    Word,      ///< letters, digits and marks of alphabetic scripts
    Japanese,  ///< kana, kanji, the iteration marks; hangul, written alike
};

CharClass classify(char32_t c);

/** @p text after Unicode NFKC normalization and case folding. */
QString foldText(QStringView text);

/**
 * @p text in the form the matching rules compare: folded, and every run of separators reduced to
 * one space between two word characters or two Japanese characters; a run between a word and
 * Japanese, and at either end, goes. Two texts hold the same tokens in the same order exactly
 * when their comparable forms are equal.
 */
QString comparableText(QStringView text);

/** comparableText() of a text that is folded already. */
QString comparableFolded(QStringView folded);

/** Appends comparableText() of @p text to @p out. */
void appendComparable(QString& out, QStringView text);

/** Whether folding leaves @p text as it is but for A-Z (most Japanese mail): no normalization needed. */
bool isFoldedAlready(QStringView text);

/**
 * Words longer than this many characters (a hash, a run of encoded data) are indexed by their
 * beginning, and a term's longer word asks for that beginning as a prefix.
 */
constexpr int kMaxWordLength = 40;

/** One token a search term asks the index for. */
struct QueryToken {
    QString text;
    bool prefix = false; ///< any token that starts with the text
};

/**
 * The tokens a term (in comparable form) stands for, in order: each word (the last one a
 * prefix: a term matches at the start of a word) and, of each run of Japanese, every pair of
 * neighbours; a run that the term goes on after ends with its last character alone (the text's
 * run must end there too), a last run of one character is a prefix.
 */
std::vector<QueryToken> queryTokens(QStringView comparableTerm);

namespace detail {

/** Decodes the code point at @p at of valid UTF-8 @p text; its length in bytes. */
inline int decodeUtf8(std::string_view text, size_t at, char32_t* out)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + size_t(length) > text.size()) {
        *out = 0xFFFD; // a stray byte: a separator
        return 1;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        c = (c << 6) | (byte(at + size_t(i)) & 0x3F);
    *out = c;
    return length;
}

} // namespace detail

/**
 * Calls @p emit(begin, end) with the byte range of each token of the folded UTF-8 @p text, in
 * order: every word, and of every run of Japanese each pair of neighbours, then the run's last
 * character alone. Stops when @p emit returns false; returns whether it went to the end.
 */
template<typename Emit>
bool forEachIndexToken(std::string_view text, Emit&& emit)
{
    size_t at = 0;
    while (at < text.size()) {
        char32_t c;
        const int length = detail::decodeUtf8(text, at, &c);
        const CharClass kind = classify(c);
        if (kind == CharClass::Separator) {
            at += size_t(length);
            continue;
        }
        if (kind == CharClass::Word) {
            const size_t begin = at;
            at += size_t(length);
            size_t end = at; // of the first kMaxWordLength characters
            for (int count = 1; at < text.size(); ++count) {
                const int next = detail::decodeUtf8(text, at, &c);
                if (classify(c) != CharClass::Word)
                    break;
                at += size_t(next);
                if (count < kMaxWordLength)
                    end = at;
            }
            if (!emit(begin, end))
                return false;
            continue;
        }
        // A run of Japanese: each character with the one after it, the last one alone.
        size_t begin = at;
        at += size_t(length);
        while (at < text.size()) {
            const int next = detail::decodeUtf8(text, at, &c);
            if (classify(c) != CharClass::Japanese)
                break;
            if (!emit(begin, at + size_t(next)))
                return false;
            begin = at;
            at += size_t(next);
        }
        if (!emit(begin, at))
            return false;
    }
    return true;
}

} // namespace fumibako::textrules
