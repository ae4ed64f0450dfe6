#pragma once

#include <QString>

#include <optional>

/** Conversions of the texts stored in profile files into numbers and truth values. */
namespace fumibako::storage {

/**
 * A stored number as a 16-bit integer: decimal text, surrounding spaces allowed, a fraction rounded
 * to the nearest integer (halves to the even neighbour). Empty, non-numeric or out-of-range text
 * gives nothing.
 */
std::optional<qint16> parseInt16(const QString& text);

/** A stored decimal number that may carry a fraction (column widths). */
std::optional<double> parseDecimal(const QString& text);

/** The word True or False (any letter case), or a number where 0 is false. */
std::optional<bool> parseTruth(const QString& text);

/** The word True or False, as truth values are written. */
QString truthWord(bool value);

/** Reads a key as a 16-bit integer, @p fallback when missing or invalid. */
qint16 readInt16(const QString& section, const QString& key, int bufferSize, const QString& file, qint16 fallback);

} // namespace fumibako::storage
