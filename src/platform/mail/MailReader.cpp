// ReadMail: splits a stored message into the fields the program shows and saves its attachments.
#include "platform/mail/MailLibrary.h"

#include "platform/mail/AttachmentFiles.h"
#include "platform/mail/EncodedWords.h"
#include "platform/mail/GMimeSupport.h"
#include "platform/mail/HeaderFields.h"
#include "platform/mail/MessageParts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fumibako::platform::mail {

namespace {

constexpr char kDateFormat[] = "yyyy/MM/dd HH:mm:ss";

// Messages up to this size are read with one system call and parsed in memory; larger ones
// are parsed from the file, so a message of hundreds of megabytes is never held twice.
constexpr qint64 kReadWholeBytes = 4 * 1024 * 1024;

GObjectPtr<GMimeStream> openMessageStream(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0) {
        ::close(fd);
        return nullptr;
    }
    if (info.st_size > kReadWholeBytes) {
        char start[1000];
        const ssize_t read = ::pread(fd, start, sizeof start, 0);
        if (read <= 0 || !startsWithHeaderField(QByteArrayView(start, read))) {
            ::close(fd);
            return nullptr;
        }
        return GObjectPtr<GMimeStream>(g_mime_stream_fs_new(fd)); // the stream closes the file
    }
    GByteArray* bytes = g_byte_array_sized_new(guint(info.st_size));
    g_byte_array_set_size(bytes, guint(info.st_size));
    size_t filled = 0;
    while (filled < size_t(info.st_size)) {
        const ssize_t read = ::read(fd, bytes->data + filled, size_t(info.st_size) - filled);
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break; // the file shrank: what was read is parsed
        filled += size_t(read);
    }
    ::close(fd);
    g_byte_array_set_size(bytes, guint(filled));
    if (!startsWithHeaderField(QByteArrayView(bytes->data, qsizetype(filled)))) {
        g_byte_array_unref(bytes);
        return nullptr;
    }
    return GObjectPtr<GMimeStream>(g_mime_stream_mem_new_with_byte_array(bytes)); // the stream owns the bytes
}

/**
 * Parses @p stream. @p fields (optional) gets the header fields as stored when the stream holds
 * the message's bytes in memory; it is left as it is otherwise.
 */
GObjectPtr<GMimeMessage> parseMessageStream(const GObjectPtr<GMimeStream>& stream, QList<RawHeaderField>* fields = nullptr)
{
    if (!stream)
        return nullptr;
    if (fields && GMIME_IS_STREAM_MEM(stream.get())) {
        const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
        *fields = headerFields(QByteArrayView(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len)));
    }
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (message && g_mime_header_list_get_count(g_mime_object_get_header_list(GMIME_OBJECT(message.get()))) == 0)
        return nullptr;
    return message;
}

GObjectPtr<GMimeMessage> parseMessageFile(const QString& path)
{
    return parseMessageStream(openMessageStream(path));
}

QString displayHeaderText(const QByteArray& raw)
{
    QString text = decodeHeaderText(raw);
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text.trimmed();
}

// Local time from an RFC 5322 date; invalid when the text is no date.
QDateTime parseMailDate(const QByteArray& raw)
{
    if (raw.trimmed().isEmpty())
        return {};
    GDateTime* parsed = g_mime_utils_header_decode_date(raw.trimmed().constData());
    if (!parsed)
        return {};
    const QDateTime local = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(parsed)).toLocalTime();
    g_date_time_unref(parsed);
    return local;
}

// The Date field; without a usable one, the time the first Received field records, and last the
// file's own time, so that the list still sorts the message by when it came.
QString dateText(GMimeObject* message, const QString& path)
{
    QDateTime when = parseMailDate(rawHeader(message, "Date"));
    if (!when.isValid()) {
        const QByteArray received = rawHeader(message, "Received");
        when = parseMailDate(received.mid(received.lastIndexOf(';') + 1));
    }
    if (!when.isValid())
        when = QFileInfo(path).lastModified();
    return when.toString(QLatin1String(kDateFormat));
}

// The header block for display: one element per field, decoded.
QStringList headerLines(const QString& path)
{
    QStringList lines;
    for (const auto& [name, value] : ReadHeaderFields(path))
        lines.append(QString::fromLatin1(name) + QLatin1String(": ") + displayHeaderText(value));
    return lines;
}

// The message ids "<...>" of a raw field value, in order; comments and stray text are left out.
QStringList messageIds(const QByteArray& raw)
{
    QStringList ids;
    for (qsizetype open = raw.indexOf('<'); open >= 0; open = raw.indexOf('<', open + 1)) {
        const qsizetype close = raw.indexOf('>', open);
        if (close < 0)
            break;
        const QByteArray inner = raw.mid(open + 1, close - open - 1);
        bool printable = !inner.isEmpty();
        for (char c : inner)
            printable = printable && c > ' ' && c < 0x7F && c != '<';
        if (printable)
            ids.append(QLatin1Char('<') + QString::fromLatin1(inner) + QLatin1Char('>'));
    }
    return ids;
}

QString attachmentFolder(const QString& directory)
{
    if (directory.startsWith(QLatin1Char('>')) || directory.startsWith(QLatin1Char('<')))
        return directory.mid(1);
    return directory;
}

// The full paths of the attachment files saved into @p folder or, without a folder, the names
// they would be saved under (nothing is written).
QStringList saveAttachments(const QList<ExtractedAttachment>& attachments, const QString& folder)
{
    QStringList paths;
    for (const ExtractedAttachment& attachment : attachments) {
        const QString name = safeAttachmentName(attachment.name, QStringLiteral("attachment"));
        if (folder.isEmpty()) {
            paths.append(name);
            continue;
        }
        const QString path = saveUnderFreeName(folder, name, attachment.bytes);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

QString element(const char* label, const QString& value)
{
    return QLatin1String(label) + QLatin1String(": ") + value;
}

} // namespace

LibraryResult ReadMail(const QString& file, const QString& options, const QString& directory)
{
    ensureGMimeInitialized();
    const GObjectPtr<GMimeMessage> message = parseMessageFile(file);
    if (!message)
        return LibraryResult::ofText(QStringLiteral("メールファイルを読めません: ") + file);
    if (options.isEmpty())
        return LibraryResult::ofList(headerLines(file));

    GMimeObject* object = GMIME_OBJECT(message.get());
    const QString folder = attachmentFolder(directory);
    const MessageContent content =
        extractContent(message.get(), folder.isEmpty() ? AttachmentContent::NamesOnly : AttachmentContent::Bytes);
    const QStringList paths = saveAttachments(content.attachments, folder);

    QStringList fields = {
        element("subject", displayHeaderText(rawHeader(object, "Subject"))),
        element("from", decodeAddressList(rawHeader(object, "From"))),
        element("date", dateText(object, file)),
        element("To", decodeAddressList(rawHeader(object, "To"))),
        element("body", content.body),
        element("attach", QString::number(paths.size())),
    };
    for (const QString& path : paths)
        fields.append(element("file", path));
    return LibraryResult::ofList(fields);
}

ReplyReferences ReadReplyReferences(const QString& file)
{
    QByteArray messageId, references, inReplyTo;
    for (const auto& [name, value] : ReadHeaderFields(file)) {
        QByteArray* field = name.compare("Message-ID", Qt::CaseInsensitive) == 0   ? &messageId
                            : name.compare("References", Qt::CaseInsensitive) == 0 ? &references
                            : name.compare("In-Reply-To", Qt::CaseInsensitive) == 0 ? &inReplyTo
                                                                                    : nullptr;
        if (field && field->isEmpty())
            *field = value; // the first of a field given twice
    }
    // RFC 5322 3.6.4: the parent's References, or its In-Reply-To when that names one message,
    // then the parent's own id.
    QStringList chain = messageIds(references);
    if (chain.isEmpty() && messageIds(inReplyTo).size() == 1)
        chain = messageIds(inReplyTo);
    ReplyReferences reply;
    const QStringList id = messageIds(messageId);
    if (!id.isEmpty()) {
        reply.inReplyTo = id.first();
        chain.append(id.first());
    }
    reply.references = chain.join(QLatin1Char(' '));
    return reply;
}

ReplyAddresses ReadReplyAddresses(const QString& file)
{
    ensureGMimeInitialized();
    const GObjectPtr<GMimeMessage> message = parseMessageFile(file);
    if (!message)
        return {};
    GMimeObject* object = GMIME_OBJECT(message.get());
    return {decodeAddressList(rawHeader(object, "From")), decodeAddressList(rawHeader(object, "Reply-To")),
            decodeAddressList(rawHeader(object, "To")), decodeAddressList(rawHeader(object, "Cc"))};
}

namespace {

std::optional<MailSummary> summaryOf(const GObjectPtr<GMimeMessage>& message, const QString& file)
{
    if (!message)
        return std::nullopt;
    GMimeObject* object = GMIME_OBJECT(message.get());
    return MailSummary{displayHeaderText(rawHeader(object, "Subject")), decodeAddressList(rawHeader(object, "From")),
                       dateText(object, file), countAttachments(message.get())};
}

} // namespace

std::optional<MailSummary> ReadMailSummary(const QString& file)
{
    ensureGMimeInitialized();
    return summaryOf(parseMessageFile(file), file);
}

std::optional<MailSummary> ReadMailSummary(const QString& file, QList<RawHeaderField>* fields)
{
    ensureGMimeInitialized();
    QList<RawHeaderField> read;
    bool whole = false;
    GObjectPtr<GMimeStream> stream = openMessageStream(file);
    if (fields && stream && GMIME_IS_STREAM_MEM(stream.get()))
        whole = true;
    std::optional<MailSummary> summary = summaryOf(parseMessageStream(stream, fields ? &read : nullptr), file);
    if (summary && fields)
        *fields = whole ? std::move(read) : ReadHeaderFields(file);
    return summary;
}

std::optional<MailSummary> ReadMailSummary(QByteArrayView bytes, const QString& file)
{
    ensureGMimeInitialized();
    if (!startsWithHeaderField(bytes))
        return std::nullopt;
    return summaryOf(parseMessageStream(memoryStream(bytes)), file);
}

std::optional<MailText> ReadMailText(const QString& file)
{
    ensureGMimeInitialized();
    const GObjectPtr<GMimeMessage> message = parseMessageFile(file);
    if (!message)
        return std::nullopt;
    GMimeObject* object = GMIME_OBJECT(message.get());
    MessageContent content = extractContent(message.get(), AttachmentContent::NamesOnly);
    MailText text{displayHeaderText(rawHeader(object, "Subject")), decodeAddressList(rawHeader(object, "From")),
                  decodeAddressList(rawHeader(object, "To")), decodeAddressList(rawHeader(object, "Cc")),
                  dateText(object, file), std::move(content.body), {}};
    for (const ExtractedAttachment& attachment : content.attachments)
        text.attachmentNames.append(attachment.name);
    return text;
}

QList<std::pair<QByteArray, QByteArray>> ReadHeaderFields(const QString& file)
{
    QFile stored(file);
    if (!stored.open(QIODevice::ReadOnly))
        return {};
    QByteArray block;
    while (!stored.atEnd()) {
        const QByteArray line = stored.readLine();
        block += line;
        if (line == "\n" || line == "\r\n")
            break;
    }
    return headerFields(block);
}

namespace {

// Fields that hold addresses: shown, like From and To, as "Name <address>" entries.
bool holdsAddresses(QByteArrayView name)
{
    static const char* const kAddressFields[] = {
        "from", "to", "cc", "bcc", "sender", "reply-to", "resent-from", "resent-to", "resent-cc", "resent-bcc",
        "resent-sender", "return-path", "delivered-to", "x-original-to", "errors-to", "disposition-notification-to",
    };
    for (const char* field : kAddressFields) {
        if (name.compare(QByteArrayView(field), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QString decodedFieldValue(QByteArrayView name, QByteArrayView raw)
{
    return holdsAddresses(name) ? decodeAddressList(raw) : displayHeaderText(raw.toByteArray());
}

std::optional<MailFilingText> ReadMailFilingText(const QString& file)
{
    ensureGMimeInitialized();
    const GObjectPtr<GMimeMessage> message = parseMessageFile(file);
    if (!message)
        return std::nullopt;
    MessageContent content = extractContent(message.get(), AttachmentContent::NamesOnly, BodyLinks::Collect);
    return MailFilingText{std::move(content.body), std::move(content.links), int(content.attachments.size())};
}

} // namespace fumibako::platform::mail
