#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

/**
 * Comma-separated fields, read and written in one place so that what the export writes the
 * import reads back.
 */
namespace fumibako::addressbook {

/**
 * @short Reads comma-separated text as a stream of fields.
 *
 * A field ends at a comma or at the end of a line (CR LF, CR or LF). Blanks (spaces and TABs)
 * around an unquoted field do not belong to it. A field that begins with a double quote runs to
 * the closing quote: commas and line ends between the quotes belong to it, two quotes in a row
 * stand for one, and text between the closing quote and the next comma or line end is added to
 * it. Empty lines hold no field. A quote that is never closed is an error: the reader stops.
 */
class CsvFieldReader {
public:
    explicit CsvFieldReader(QStringView text) : m_text(text) {}

    /** The next field, or nothing at the end of the text or after an unclosed quote. */
    std::optional<QString> next();

    /** Whether the field next() returned last was the last of its line. */
    bool endedLine() const { return m_endedLine; }
    /** Whether no field is left (true also after an error). */
    bool atEnd();
    /** Whether the reader stopped at a quote that is never closed. */
    bool failed() const { return m_failed; }
    /** The 1-based line on which the field returned last began (or where the error began). */
    int line() const { return m_fieldLine; }

private:
    void skipEmptyLines();
    bool atLineEnd() const;
    void takeLineEnd();
    QString readQuoted();
    QString readPlain();

    QStringView m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
    int m_fieldLine = 1;
    bool m_endedLine = true;
    bool m_failed = false;
};

/**
 * @p field as it stands in a line: as it is, or between double quotes (inner quotes doubled) when
 * it holds a comma, a double quote, a line break or blanks at either end, so that the reader gives
 * it back unchanged.
 */
QString csvField(const QString& field);

/** The fields joined by commas, each through csvField; no line end. */
QString csvLine(const QStringList& fields);

} // namespace fumibako::addressbook
