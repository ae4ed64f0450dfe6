#pragma once

#include <QByteArray>
#include <QString>

namespace fumibako::test {

/** Bytes of a file, or an empty array when it cannot be read. */
QByteArray readBytes(const QString& path);

/** Writes @p bytes to @p path (creating parent directories); fails the test on error. */
void writeBytes(const QString& path, const QByteArray& bytes);

/** Code page 932 bytes of @p text with every "\n" turned into CR LF: how the program writes its files. */
QByteArray cp932Lines(const QString& text);

} // namespace fumibako::test
