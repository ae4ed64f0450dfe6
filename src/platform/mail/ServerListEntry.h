#pragma once

#include <QByteArray>
#include <QString>

namespace fumibako::platform::mail {

/**
 * One element of the LIST result, made from a message's header block (the answer to TOP n 0):
 * "Subject: " subject TAB "From: " sender " " TAB "Date: " date. The server list cuts the fields
 * by these label lengths, so the labels and the space before the second TAB are fixed. Values are
 * decoded, on one line and free of TABs; the date is local time "yyyy/MM/dd HH:mm:ss" when it
 * can be read, else the header's own text.
 */
QString serverListEntry(const QByteArray& header);

/**
 * A raw Date field value as the server list and the reader show it: local time
 * "yyyy/MM/dd HH:mm:ss", else the field's own text on one line.
 */
QString localDateText(const QByteArray& raw);

/** The unfolded raw value of the first header field @p name (case-insensitive), or a null array. */
QByteArray headerField(const QByteArray& header, const QByteArray& name);

} // namespace fumibako::platform::mail
