#include "platform/mail/MessageParts.h"

#include "platform/mail/Charsets.h"
#include "platform/mail/EncodedWords.h"
#include "platform/mail/HeaderFields.h"
#include "platform/mail/HtmlText.h"
#include "platform/mail/LineEnds.h"

#include <QMimeDatabase>

namespace fumibako::platform::mail {

namespace {

bool isType(GMimeObject* object, const char* type, const char* subtype)
{
    GMimeContentType* contentType = g_mime_object_get_content_type(object);
    return contentType && g_mime_content_type_is_type(contentType, type, subtype);
}

QString attachmentName(GMimeObject* object)
{
    QString name = headerParameter(rawHeader(object, "Content-Disposition"), "filename");
    if (name.isEmpty())
        name = headerParameter(rawHeader(object, "Content-Type"), "name");
    return name;
}

bool isAttachmentDisposition(GMimeObject* object)
{
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    return disposition && g_mime_content_disposition_is_attachment(disposition);
}

QString nameForUnnamed(GMimeObject* object)
{
    GMimeContentType* contentType = g_mime_object_get_content_type(object);
    QString suffix = QStringLiteral("bin");
    if (contentType) {
        GCharPtr mimeType(g_mime_content_type_get_mime_type(contentType));
        const QMimeType type = QMimeDatabase().mimeTypeForName(QString::fromLatin1(mimeType.get()));
        if (type.isValid() && !type.preferredSuffix().isEmpty())
            suffix = type.preferredSuffix();
    }
    return QStringLiteral("attachment.") + suffix;
}

// How much of a message ContentCollector takes.
enum class Collect {
    Everything,      // body and attachments with their bytes
    AttachmentNames, // body and the attachments' names; no attachment decoded
    CountOnly,       // only the number of attachments; nothing decoded
};

class ContentCollector {
public:
    explicit ContentCollector(Collect collect, BodyLinks links = BodyLinks::Skip)
        : m_countOnly(collect == Collect::CountOnly), m_withBytes(collect == Collect::Everything),
          m_withLinks(links == BodyLinks::Collect) {}

    MessageContent content;
    int attachmentCount = 0;

    void visit(GMimeObject* object)
    {
        if (GMIME_IS_MULTIPART(object))
            visitMultipart(GMIME_MULTIPART(object));
        else if (GMIME_IS_MESSAGE_PART(object))
            visitAttachedMessage(object);
        else if (GMIME_IS_PART(object))
            visitLeaf(GMIME_PART(object));
    }

private:
    bool m_countOnly = false;
    bool m_withBytes = true;
    bool m_withLinks = false;
    bool m_haveBody = false;
    bool m_bodyIsHtml = false;

    void visitMultipart(GMimeMultipart* multipart)
    {
        const int count = g_mime_multipart_get_count(multipart);
        if (!isType(GMIME_OBJECT(multipart), "multipart", "alternative")) {
            for (int i = 0; i < count; ++i)
                visit(g_mime_multipart_get_part(multipart, i));
            return;
        }
        // The plain alternative when there is one, else the first: the rest say the same.
        GMimeObject* chosen = count > 0 ? g_mime_multipart_get_part(multipart, 0) : nullptr;
        for (int i = 0; i < count; ++i) {
            GMimeObject* part = g_mime_multipart_get_part(multipart, i);
            if (isType(part, "text", "plain")) {
                chosen = part;
                break;
            }
        }
        if (chosen)
            visit(chosen);
    }

    void visitAttachedMessage(GMimeObject* object)
    {
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
        if (!inner)
            return;
        ++attachmentCount;
        if (m_countOnly)
            return;
        QString name = attachmentName(object);
        if (name.isEmpty()) {
            name = decodeHeaderText(rawHeader(GMIME_OBJECT(inner), "Subject")).trimmed();
            name = (name.isEmpty() ? QStringLiteral("message") : name) + QStringLiteral(".eml");
        }
        content.attachments.append({name, m_withBytes ? objectBytes(GMIME_OBJECT(inner)) : QByteArray()});
    }

    void visitLeaf(GMimePart* part)
    {
        GMimeObject* object = GMIME_OBJECT(part);
        const QString name = attachmentName(object);
        const bool plain = isType(object, "text", "plain");
        const bool html = isType(object, "text", "html");
        const bool inlineText = (plain || html) && name.isEmpty() && !isAttachmentDisposition(object);
        if (inlineText && (!m_haveBody || (m_bodyIsHtml && plain))) {
            if (m_withLinks && html) {
                const QString source = decodedPartText(part);
                content.links = htmlLinkTargets(source);
                content.body = htmlToText(source);
            } else if (!m_countOnly) {
                content.body = partText(part);
            }
            m_haveBody = true;
            m_bodyIsHtml = html;
        } else if (inlineText && plain && !m_bodyIsHtml) {
            if (!m_countOnly)
                content.body += QStringLiteral("\n\n") + partText(part);
        } else {
            ++attachmentCount;
            if (!m_countOnly)
                content.attachments.append({name.isEmpty() ? nameForUnnamed(object) : name,
                                            m_withBytes ? partContent(part) : QByteArray()});
        }
    }
};

} // namespace

QString decodedPartText(GMimePart* part)
{
    GMimeObject* object = GMIME_OBJECT(part);
    const QByteArray bytes = partContent(part);
    GMimeContentType* contentType = g_mime_object_get_content_type(object);
    QByteArray charset;
    if (const char* declared = contentType ? g_mime_content_type_get_parameter(contentType, "charset") : nullptr)
        charset = declared;
    if (charset.isEmpty() && isType(object, "text", "html"))
        charset = htmlDeclaredCharset(bytes);
    return decodeText(bytes, charset);
}

QString partText(GMimePart* part)
{
    const QString text = decodedPartText(part);
    return isType(GMIME_OBJECT(part), "text", "html") ? htmlToText(text) : text;
}

MessageContent extractContent(GMimeMessage* message, AttachmentContent attachmentContent, BodyLinks links)
{
    ContentCollector collector(attachmentContent == AttachmentContent::Bytes ? Collect::Everything
                                                                            : Collect::AttachmentNames,
                               links);
    if (GMimeObject* root = g_mime_message_get_mime_part(message))
        collector.visit(root);
    collector.content.body = withLineEnds(collector.content.body, u"\r\n");
    return collector.content;
}

int countAttachments(GMimeMessage* message)
{
    ContentCollector collector(Collect::CountOnly);
    if (GMimeObject* root = g_mime_message_get_mime_part(message))
        collector.visit(root);
    return collector.attachmentCount;
}

} // namespace fumibako::platform::mail
