#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <utility>

/** Structured header fields: address lists and MIME parameters, parsed by hand. */
namespace fumibako::platform::mail {

struct MailAddress {
    QString name;    // display name, without quotes
    QString address; // the bare address, without angle brackets
};

/**
 * Splits an address list at commas (and at semicolons when @p semicolons is set) that lie outside
 * quoted strings, angle brackets, comments and raw ISO-2022-JP runs.
 */
QStringList splitAddressList(QStringView text, bool semicolons = false);

/** Parses one entry: "Name <addr>", "\"Name\" <addr>", "addr (Name)" or "addr". */
MailAddress parseAddress(QStringView entry);

/**
 * How the program shows an address: "Name <addr>", with the name quoted when it holds a
 * character that would split or confuse an address list; "addr" alone when there is no name.
 */
QString displayAddress(const MailAddress& address);

/**
 * An address list from a raw header value, decoded (encoded words, raw 8-bit or JIS names) and
 * written in the display form, entries separated by ", ".
 */
QString decodeAddressList(QByteArrayView raw);

/**
 * The value of parameter @p name (e.g. "filename") in a raw Content-Type or Content-Disposition
 * value: RFC 2231 (charset'language'%XX, with continuations) preferred, else the plain value with
 * encoded words decoded. A null string when the parameter is absent.
 */
QString headerParameter(QByteArrayView rawValue, QByteArrayView name);

/**
 * Whether @p bytes start with a header field: a name of printable characters, then optional
 * blanks and a colon. What a message file starts with; empty data, binary junk or text do not.
 */
bool startsWithHeaderField(QByteArrayView bytes);

/** One header field as stored: its name (trimmed) and its raw value, unfolded. */
using RawHeaderField = std::pair<QByteArray, QByteArray>;

/**
 * The header fields at the start of @p message, up to its first empty line (or its end), in
 * order. Folded lines are joined: the line breaks go, the white space stays. A line that is no
 * field and no fold is passed over.
 */
QList<RawHeaderField> headerFields(QByteArrayView message);

/** The raw value of the first field named @p name (without case) in @p fields; null when none. */
QByteArray fieldValue(const QList<RawHeaderField>& fields, QByteArrayView name);

} // namespace fumibako::platform::mail
