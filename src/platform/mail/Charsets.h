#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

/**
 * The charsets of Japanese mail. Code page 932 and EUC-JP go through glibc iconv ("CP932",
 * "EUC-JP-MS"); ISO-2022-JP is converted here, through code page 932, so that the NEC and IBM
 * extension characters that Windows mailers put into it survive (glibc's converter garbles them).
 * Every other charset iconv knows (ISO-8859-x, Windows-125x, KOI8-R, GB2312, Big5, EUC-KR, ...) is
 * decoded by its own name, or by the larger charset that senders mean by it (Windows-1252 for
 * ISO-8859-1, GB18030 for GB2312 and GBK, CP949 for EUC-KR, Big5-HKSCS for Big5).
 */
namespace fumibako::platform::mail {

/**
 * Decodes @p bytes carrying the MIME charset @p charset. An empty, "us-ascii" or unknown label
 * with 8-bit bytes is guessed (guessCharset). Shift_JIS labels mean code page 932. Bytes that are
 * not valid in the charset become U+FFFD; the rest of the text is kept.
 */
QString decodeText(QByteArrayView bytes, QByteArrayView charset);

/**
 * Guesses the charset of undeclared text: "US-ASCII", "ISO-2022-JP" (escape sequences), "UTF-8"
 * (valid UTF-8), else "CP932" or "EUC-JP-MS", whichever decodes without error (code page 932 when
 * both or neither do, unless the bytes look like EUC-JP).
 */
QByteArray guessCharset(QByteArrayView bytes);

/**
 * The MIME charset of a text file's @p bytes: "us-ascii", "ISO-2022-JP", "UTF-8", "Shift_JIS" (code
 * page 932) or "EUC-JP", as guessCharset finds it; nothing when the bytes are not valid in that
 * charset or hold control bytes that no text has (NUL, DEL, ...): they are then no text.
 */
std::optional<QByteArray> textFileCharset(QByteArrayView bytes);

/**
 * The charset name to use for @p label: "CP932", "ISO-2022-JP", "EUC-JP-MS", "UTF-8", the larger
 * charset meant by a few labels (see above), or the label in lower case.
 */
QByteArray canonicalCharset(QByteArrayView label);

/**
 * Decodes ISO-2022-JP, including the common mislabelled forms: code page 932 extensions inside
 * ESC $ B (NEC row 13, NEC-selected IBM kanji), JIS X 0201 katakana (ESC ( I or SO/SI) and stray
 * 8-bit code page 932 bytes. JIS X 0212 characters become U+FFFD.
 */
QString decodeIso2022Jp(QByteArrayView bytes);

/**
 * Encodes @p text as ISO-2022-JP (ending in ASCII), or nothing when a character has no form in
 * it that decodes back to the same character. Half-width katakana must be made full-width first
 * (toFullWidthKatakana); CP932 extensions are written as their NEC codes.
 */
std::optional<QByteArray> encodeIso2022Jp(QStringView text);

/** @p text with half-width katakana (U+FF61–U+FF9F) turned full-width, voiced marks combined. */
QString toFullWidthKatakana(QStringView text);

/** Code page 932 through glibc iconv; invalid bytes become U+FFFD. */
QString decodeCp932Text(QByteArrayView bytes);

} // namespace fumibako::platform::mail
