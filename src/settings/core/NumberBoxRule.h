#pragma once

#include <QString>

namespace fumibako::settings {

/**
 * @short The rules of a text box that always holds a whole number within limits: the port boxes
 * of the account manager and the minutes box of the environment settings.
 *
 * The box keeps a "last good" text. A key other than a digit stores the present text as the last
 * good one before it acts (the key itself is not suppressed). After every change the text is read
 * as a number: within the limits it is written back plainly (leading zeros dropped); below the
 * minimum it becomes the minimum; above the maximum it becomes the maximum, unless it is larger
 * than the largest number the box reads at all, in which case, as for text that is no number
 * (empty, a letter), the last good text comes back.
 */
class NumberBoxRule {
public:
    /**
     * @p largestNumber is the largest text the box still reads as a number; for the minutes box it
     * is 32767 (75 becomes 60, 99999 brings the last good text back), for a port box it equals
     * the maximum.
     */
    NumberBoxRule(int minimum, int maximum, int largestNumber);

    /** Starts over with @p lastGood as the last good text (the dialogs start with "1"). */
    void reset(const QString& lastGood = QStringLiteral("1")) { m_lastGood = lastGood; }

    /** A key other than 0-9 was pressed while the box held @p presentText. */
    void nonDigitKey(const QString& presentText) { m_lastGood = presentText; }

    /** What the box holds after its text changed to @p text. */
    QString corrected(const QString& text) const;

    /** An arrow: stores @p presentText as the last good text and gives the text after adding @p delta. */
    QString step(const QString& presentText, int delta);

    const QString& lastGood() const { return m_lastGood; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

private:
    int m_minimum;
    int m_maximum;
    int m_largestNumber;
    QString m_lastGood = QStringLiteral("1");
};

/**
 * The port boxes: 0 to 65535 (ports above 32767 are usable). 0 is no port, but the box keeps it
 * while the user types, so that a number typed with a leading zero is not turned into another;
 * the account manager refuses it when the port is to be used (portInRange).
 */
NumberBoxRule portBoxRule();

/** Whether the text of a port box names a port the servers can be reached on: 1 to 65535. */
bool portInRange(const QString& text);

/** The minutes between automatic receives: 1 to 60. */
NumberBoxRule minutesBoxRule();

} // namespace fumibako::settings
