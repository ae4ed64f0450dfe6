#pragma once

#include <QByteArrayView>
#include <QString>

/**
 * Turning the bytes of a text file from another program into text: the encoding is found from a
 * byte order mark or from the bytes, and a file that is not text is told apart.
 */
namespace fumibako::addressbook {

/** Why the bytes of a file are not usable text. */
enum class TextProblem {
    None,
    TooLarge,    ///< larger than kMaxImportBytes
    NotText,     ///< NUL or other control bytes: a binary file
    Undecodable, ///< bytes that are no character in the encoding found
};

/** The largest file the import reads (an address book of 10,000 entries is well under 1 MB). */
inline constexpr qint64 kMaxImportBytes = 16 * 1024 * 1024;

struct DecodedText {
    QString text;
    TextProblem problem = TextProblem::None;
    int problemLine = 0; ///< 1-based line of the first bad character
};

/**
 * Decodes the bytes of a text file: UTF-8 or UTF-16 with a byte order mark; without one, UTF-8
 * when the bytes are valid UTF-8, ISO-2022-JP or EUC-JP when they look so, else code page 932.
 * A trailing end-of-file mark (Ctrl-Z, as old DOS programs wrote) is dropped.
 */
DecodedText decodeTextBytes(QByteArrayView bytes);

/**
 * The text of file @p path through decodeTextBytes; a file larger than @p maxBytes is not read.
 * A file that cannot be opened counts as Undecodable with line 0.
 */
DecodedText readTextFile(const QString& path, qint64 maxBytes = kMaxImportBytes);

/**
 * The book's own decoding: UTF-8 after a byte order mark or when the bytes are valid UTF-8, else
 * code page 932, where a byte that is no character is kept as an escape that is written back as
 * the same byte (see platform/Cp932.h).
 */
QString decodeBookBytes(QByteArrayView bytes);

} // namespace fumibako::addressbook
