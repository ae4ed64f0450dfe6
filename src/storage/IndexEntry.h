#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

/**
 * One line of a mail index: key = the mail file's name, value = three one-digit flags (save,
 * unread, attachments), TAB, sender or recipients, TAB, subject, TAB, date text.
 */
namespace fumibako::storage {

/** A message as the mail list shows it; the flags' only in-memory form. */
struct MailRow {
    QString key;   ///< the mail file name
    bool saved = false;      ///< "保": protected against deleting
    bool unread = false;     ///< "読": "未" when unread
    bool attachment = false; ///< "添": has attachments
    QString field1;  ///< sender (received) or recipients (outgoing)
    QString subject;
    QString date;
    QString tag;     ///< the index section (folder key) the entry is in

    /** The column texts "♪", "未", "有" or empty. */
    QString savedText() const;
    QString unreadText() const;
    QString attachmentText() const;
};

/**
 * Parses "key=value". The key is the text before the first "="; the first three characters of the
 * value must be digits; from the fifth character the value must hold at least two TABs.
 */
std::optional<MailRow> ParseIndexLine(const QString& line);

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

} // namespace fumibako::storage
