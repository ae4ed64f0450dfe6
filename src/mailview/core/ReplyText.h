#pragma once

#include "compose/core/ComposeLauncher.h"
#include "platform/mail/MailLibrary.h"

#include <QString>

/** The texts a reply and a forward build from the message read. */
namespace fumibako::mailview {

/**
 * @p text with ">" put before its first character and after every CR LF, so that every line,
 * empty lines and an empty last line after a final CR LF included, begins with ">".
 */
QString quoteForReply(const QString& text);

/** "Re:" followed directly by @p subject (a subject that begins with "Re:" gets a second one). */
QString replySubject(const QString& subject);

/** The recipients of a reply to everyone, as the compose window's To and CC boxes take them. */
struct ReplyRecipients {
    QString to;
    QString cc;
};

/**
 * "全員に返信": To is the original's Reply-To, or its From when it has none; CC its To and Cc,
 * without @p ownAddress (the account's), without what To already holds and without duplicates.
 * Addresses are compared without regard to letter case (the domain never differs by case, and
 * mail systems treat the local part alike); entries that name no mailbox (a group's label) are
 * left out. Entries are joined with ", "; a name that holds ", " loses the space, which the
 * compose window would take for the end of an entry.
 */
ReplyRecipients replyAllRecipients(const platform::mail::ReplyAddresses& original, const QString& ownAddress);

/** The message a reply answers, as the read window shows it. */
struct RepliedMail {
    QString path;    ///< the stored message's file
    QString from;
    QString subject;
    QString body;    ///< the text shown: the header lines while the header view is on
};

/** Who a reply goes to. */
enum class ReplyTo { Sender, Everyone };

/**
 * The compose fields of a reply to @p mail: To (the sender as shown, a name holding ", " without the
 * space as above, or everyone by replyAllRecipients()
 * leaving out @p ownAddress), the references of the answered message and, when asked, "Re:" with
 * the subject and the quoted body. Fields left unset keep what the compose window holds.
 */
compose::ComposeFields replyFields(const RepliedMail& mail, ReplyTo who, bool quoteSubject, bool quoteBody,
                                   const QString& ownAddress);

/**
 * The attachment list entry that forwards the stored message @p path as an attachment named
 * "転送[" subject "].eml" ("転送[noSubject].eml" for an empty subject). A ", " in the subject would
 * split the entry in two, so it loses its space.
 */
QString forwardAttachmentEntry(const QString& path, const QString& subject);

} // namespace fumibako::mailview
