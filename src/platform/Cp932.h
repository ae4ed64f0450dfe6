#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

/**
 * Code page 932 (Microsoft's Shift JIS), the encoding of every text file the program shares with
 * its Windows past. Built on glibc iconv's "CP932", never "SHIFT_JIS" (which lacks the NEC and IBM
 * extensions and turns 0x5C into a yen sign).
 */
namespace fumibako::platform {

/**
 * Decodes code page 932 bytes. A byte that is not part of a valid character decodes to the
 * escape character U+DC00 + byte, so that encodeCp932() gives the same byte back: reading and
 * rewriting a file never changes bytes the program did not touch.
 */
QString decodeCp932(QByteArrayView bytes);

/**
 * decodeCp932() into @p out, which has room for bytes.size() UTF-16 units (a byte never decodes
 * to more than one). Returns the number of units written.
 */
qsizetype decodeCp932(QByteArrayView bytes, char16_t* out);

/**
 * Encodes text to code page 932. Escape characters (see decodeCp932) become their byte again;
 * only U+DC80..U+DCFF are escapes, since bytes below 0x80 always decode to themselves (so an
 * escape can never produce a CR, LF or NUL byte).
 * A character code page 932 cannot represent is written as '?' and @p lossless is set to false.
 * A character it only approximates (WAVE DASH U+301C, written as the code of FULLWIDTH TILDE;
 * YEN SIGN, written as 0x5C) is written as that code and also counts as lossy: it would not
 * come back as the same character.
 */
QByteArray encodeCp932(QStringView text, bool* lossless = nullptr);

/** Whether every character of @p text has a code page 932 form that decodes to it again. */
bool isCp932Representable(QStringView text);

/**
 * Length of @p text in code page 932 bytes: one for ASCII, half-width katakana and escape
 * characters, two for any other character (a character without a code page 932 form counts two
 * bytes per UTF-16 unit).
 */
int cp932ByteLength(QStringView text);

/**
 * The longest prefix of @p text that takes at most @p maxBytes code page 932 bytes. Only whole
 * characters are kept: a two-byte character that would be cut in half is left out.
 */
QString cutToCp932Bytes(QStringView text, int maxBytes);

} // namespace fumibako::platform
