#pragma once

#include "storage/AddressHistory.h"

#include <QString>
#include <QStringList>

#include <optional>

/** The small rules of the compose window and its callers that need no state. */
namespace fumibako::compose {

inline const QString kComposeCaption = QStringLiteral("送信フォーム");
inline const QString kRedirectCaption = QStringLiteral("転送モード");
/** The body of a redirect: the stored message goes on unchanged. */
inline const QString kRedirectBody = QStringLiteral("編集できません");
/** A recipient entry that asks to redirect the stored message whose path follows. */
inline const QString kRedirectMarker = QStringLiteral(">#xfr ");
/** Separates the entries of an address or attachment list. */
inline const QString kListSeparator = QStringLiteral(", ");

/**
 * Cuts @p text at every ", " (a comma without a space does not cut). Empty text gives no items;
 * "a, " gives "a" and an empty item.
 */
QStringList splitList(const QString& text);

/** The items up to the first empty one, joined with ", ". */
QString joinList(const QStringList& items);

/** @p list with each of @p additions appended, after ", " when the list is not empty. */
QString appendToList(QString list, const QStringList& additions);

/** The To of a redirect: @p transName, then ", " and @p typedTo when something was typed. */
QString redirectRecipients(const QString& transName, const QString& typedTo);

/**
 * @p text as a one-line field: every control character (TAB, CR, LF, ...) becomes a space. A TAB
 * in a recipient field would otherwise start a new recipient entry, or even a "cc"/"bcc" marker,
 * when the list is handed to the mail library.
 */
QString singleLine(QString text);

/** The recent-recipient drop-down for @p history: slots 0 to 5 up to the first empty one. */
QStringList recentRecipients(const storage::AddressHistory& history);

/**
 * @p history after a redirect was sent: sending put the redirect command (@p sentTo) at its front;
 * the drop-down must never offer it, so the addresses typed (@p typedTo) take its place.
 */
void replaceRedirectInHistory(storage::AddressHistory& history, const QString& sentTo, const QString& typedTo);

/** The file paths of an attachment list: each entry's text before "|" when it names the attachment. */
QStringList attachmentPaths(const QString& attachmentList);

/** The attachment paths of @p attachmentList that are no readable file (gone, a folder, no permission). */
QStringList unreadableAttachments(const QString& attachmentList);

} // namespace fumibako::compose
