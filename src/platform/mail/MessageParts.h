#pragma once

#include "platform/mail/GMimeSupport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace fumibako::platform::mail {

struct ExtractedAttachment {
    QString name; // as the message gives it, decoded; not yet safe as a file name
    QByteArray bytes; // empty when only the names were asked for
};

/** Whether extractContent() decodes the attachments or only names them. */
enum class AttachmentContent { Bytes, NamesOnly };

struct MessageContent {
    QString body; // CR LF line ends
    QList<ExtractedAttachment> attachments;
    QStringList links; // the link and image targets of an HTML body, when asked for
};

/** Whether extractContent() gathers the link targets of an HTML body. */
enum class BodyLinks { Skip, Collect };

/**
 * The readable body and the attachments of @p message. The body is the first inline text/plain
 * part (further inline text/plain parts are appended after an empty line); without one, the
 * first inline text/html part turned into text. Of a multipart/alternative only the preferred
 * alternative counts. Every other leaf part, and every attached message (as its bytes, named after
 * its subject + ".eml" when it has no name), is an attachment; with AttachmentContent::NamesOnly
 * its bytes are left out (and not decoded).
 */
MessageContent extractContent(GMimeMessage* message, AttachmentContent attachmentContent = AttachmentContent::Bytes,
                              BodyLinks links = BodyLinks::Skip);

/** How many attachments extractContent() finds in @p message, without decoding any part. */
int countAttachments(GMimeMessage* message);

/** The text of a text/plain or text/html part, charset decoded (an HTML part as its source). */
QString decodedPartText(GMimePart* part);

/** The text of a text/plain or text/html part, charset decoded (HTML turned into text). */
QString partText(GMimePart* part);

} // namespace fumibako::platform::mail
