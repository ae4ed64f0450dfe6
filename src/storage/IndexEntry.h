#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

/**
 * One line of a mail index: key = the mail file's name, value = three one-digit flags (save,
 * unread, attachments), TAB, sender or recipients, TAB, subject, TAB, date text.
 */
namespace fumibako::storage {

/**
 * @short A message as the mail list shows it; the flags' only in-memory form.
 *
 * The texts are one piece of text shaped like the index line they came from, viewed where the
 * profile store decoded it (see readSectionText), so that listing a folder of 100,000 messages
 * allocates nothing per message. The row keeps that text alive.
 */
class MailRow {
public:
    MailRow() = default;
    MailRow(const QString& key, const QString& field1, const QString& subject, const QString& date);

    /** Parses an index line (see ParseIndexLine); the row keeps a share of @p line. */
    static std::optional<MailRow> fromIndexLine(const QString& line);
    /** Parses an index line that @p owner keeps alive; the row views it and keeps @p owner. */
    static std::optional<MailRow> fromIndexLine(QStringView line, std::shared_ptr<const void> owner);

    QStringView key() const { return m_text.first(m_keyLength); }
    QStringView field1() const { return slice(m_keyLength + 5, m_subjectBegin - 1); }
    QStringView subject() const { return slice(m_subjectBegin, m_dateBegin - 1); }
    QStringView date() const { return m_text.sliced(m_dateBegin); }
    QString keyString() const { return key().toString(); }

    bool saved = false;      ///< "保": protected against deleting
    bool unread = false;     ///< "読": "未" when unread
    bool attachment = false; ///< "添": has attachments
    QString tag;             ///< the index section (folder key) the entry is in

    /** The column texts "♪", "未", "有" or empty. */
    QString savedText() const;
    QString unreadText() const;
    QString attachmentText() const;

private:
    QStringView slice(qsizetype begin, qsizetype end) const { return m_text.sliced(begin, end - begin); }

    QStringView m_text; ///< key, "=", flags, TAB, field 1, TAB, subject, TAB, date
    std::shared_ptr<const void> m_owner; ///< keeps m_text alive
    qint32 m_keyLength = 0;
    qint32 m_subjectBegin = 0;
    qint32 m_dateBegin = 0;
};

/**
 * Parses "key=value". The key is the text before the first "="; the first three characters of the
 * value must be digits; from the fifth character the value must hold at least two TABs.
 */
inline std::optional<MailRow> ParseIndexLine(const QString& line)
{
    return MailRow::fromIndexLine(line);
}

/** ParseIndexLine() of a line that @p owner keeps alive (a line of readSectionText()). */
inline std::optional<MailRow> ParseIndexLine(QStringView line, std::shared_ptr<const void> owner)
{
    return MailRow::fromIndexLine(line, std::move(owner));
}

/** @p text fit for a field of an index line: TAB, CR and LF (which would split the line) become spaces. */
QString indexField(QString text);

/** The index value of @p row: the three flags, then TAB-separated sender, subject and date. */
QString BuildIndexValue(const MailRow& row);

/** "key=" + BuildIndexValue(row), a line as IniWriteSection takes it. */
QString indexLine(const MailRow& row);

/**
 * Makes a received file's name usable as an index key: removes "[", "]", "=", spaces and
 * full-width spaces, appends "(n)" when another file in @p dir already has the result, and renames
 * the file. Returns the name the file has afterwards (the old one when the rename failed).
 */
QString SanitizeMailFileName(const QString& dir, const QString& name);

/** The name cleaned as SanitizeMailFileName would, without touching any file. */
QString cleanMailFileName(const QString& name);

/** "yyyyMMdd-hhmmss.txt" for @p when: the name of a new outgoing or draft file. */
QString MakeTimestampName(const QDateTime& when = QDateTime::currentDateTime());

/**
 * The hidden file beside the outgoing file @p mailName that holds what its fixed line layout has
 * no room for (a reply's references). Listings pass it over, as every name with a leading dot;
 * it goes when its outgoing file is deleted.
 */
QString outgoingCompanionName(const QString& mailName);

} // namespace fumibako::storage
