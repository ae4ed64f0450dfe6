#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

/**
 * RFC 2047 encoded words, done here rather than by GMime 3.2.13, whose decoder drops the words
 * after one that ends in base64 padding and whose encoder writes over-long Q words.
 */
namespace fumibako::platform::mail {

/**
 * Decodes a raw header value: unfolds it, decodes B and Q encoded words (adjacent words are
 * joined without the white space between them, and their bytes are decoded together so that a
 * character split across two words survives), and decodes raw 8-bit or JIS text by guessing.
 */
QString decodeHeaderText(QByteArrayView raw);

/** Lenient base64: characters outside the alphabet (padding included) are skipped. */
QByteArray decodeBase64Leniently(QByteArrayView text);

/**
 * Encodes @p text as B encoded words of at most 64 characters each (RFC 2047 allows 75), split on character
 * boundaries: ISO-2022-JP when the text fits it (half-width katakana made full-width), else
 * UTF-8. Each ISO-2022-JP word starts and ends in ASCII, so it decodes on its own.
 */
QList<QByteArray> encodeWords(QStringView text);

/**
 * Header text ready for folding: printable ASCII text without "=?" as its space-separated words,
 * anything else as encodeWords(). Control characters (CR, LF, TAB…) become spaces first, so the
 * text can never start a header line of its own.
 */
QList<QByteArray> headerTokens(QStringView text);

/**
 * A whole header field, "Name: " and @p tokens separated by single spaces, folded before a token
 * that would make the line longer than 78 characters; every line ends in CR LF.
 */
QByteArray foldField(QByteArrayView name, const QList<QByteArray>& tokens);

} // namespace fumibako::platform::mail
