#pragma once

#include "addressbook/TextDecoding.h"

#include <QList>
#include <QString>

#include <optional>

/**
 * Reading the address books of other mail programs (Outlook Express CSV, Al-Mail, Becky! text)
 * into rows the import wizard shows, and writing the book out as "Exp_Address.csv".
 */
namespace fumibako::addressbook {

struct AddressEntry;

enum class ImportFormat { OutlookExpress = 0, AlMail = 1, Becky = 2 };

/** One address taken from another program's book; no field holds a CR or LF, none a TAB. */
struct ImportedAddress {
    QString name;
    QString address;
    QString comment;

    friend bool operator==(const ImportedAddress&, const ImportedAddress&) = default;
};

/** A message for the person importing: text and title, always with the exclamation icon. */
struct ImportMessage {
    QString text;
    QString title;
};

struct ImportResult {
    QList<ImportedAddress> rows;    ///< the rows read before a problem, if any
    std::optional<ImportMessage> problem;
};

inline const QString kUnsupportedTitle = QStringLiteral("未対応");

/** The format error message of @p format ("対応しているOutlookのアドレス形式ではありません", ...). */
QString formatErrorText(ImportFormat format);

/**
 * Outlook Express CSV: the first line names the columns; "表示名", "電子メール アドレス" and "メモ"
 * give name, address and comment, a column that is missing stays empty. The rest is a stream of
 * fields (CsvFieldReader): each record is as many fields as the header has, whatever lines they
 * stand on. A quote that is never closed is a format error; the record it began is dropped.
 */
ImportResult parseOutlookExpress(QStringView text);

/** Al-Mail: a line per entry, name ": " address. A line without ": " is a format error. */
ImportResult parseAlMail(QStringView text);

/**
 * Becky! text: a line per entry, TAB-separated: name, address, (skipped), comment, and at least
 * one more TAB after the comment. A line with fewer TABs is a format error.
 */
ImportResult parseBecky(QStringView text);

/**
 * Reads file @p path (any of the encodings of decodeTextBytes) and parses it as @p format. A file
 * that is too large, not text or not decodable yields no rows and a message saying so.
 */
ImportResult importAddressFile(ImportFormat format, const QString& path);

/** The file name of the export in the program directory. */
inline const QString kExportFileName = QStringLiteral("Exp_Address.csv");

/** The export's bytes: the header line and a line per entry (name, address, comment), CR LF ends. */
QByteArray exportBytes(const QList<AddressEntry>& entries);

/** The message after a successful export into @p programDir. */
QString exportDoneText(const QString& programDir);

/**
 * Writes "Exp_Address.csv" into @p programDir (replacing it atomically). The text is code page
 * 932, or UTF-8 with a byte order mark when an entry holds a character code page 932 lacks.
 * False, and why in @p error, when it cannot be written.
 */
bool ExportAddressBook(const QString& programDir, const QList<AddressEntry>& entries, QString* error = nullptr);

} // namespace fumibako::addressbook
