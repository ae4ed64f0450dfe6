// composeMessage: SendMail's arguments turned into an envelope and the bytes of DATA.
#include "platform/mail/MessageComposer.h"

#include "platform/mail/Charsets.h"
#include "platform/mail/ComposeHeaders.h"
#include "platform/mail/EncodedWords.h"
#include "platform/mail/GMimeSupport.h"
#include "platform/mail/LineEnds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTemporaryFile>

#include <fcntl.h>

namespace fumibako::platform::mail {

namespace {

constexpr int kMaxSevenBitLine = 998;

ComposedMessage failure(const QString& error)
{
    ComposedMessage message;
    message.error = error;
    return message;
}

bool linesFitSevenBit(const QByteArray& bytes)
{
    for (const QByteArray& line : bytes.split('\n'))
        if (line.size() > kMaxSevenBitLine)
            return false;
    return true;
}

void setContent(GMimePart* part, const QByteArray& bytes, GMimeContentEncoding encoding)
{
    GObjectPtr<GMimeStream> stream = memoryStream(bytes);
    GObjectPtr<GMimeDataWrapper> wrapper(
        g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, wrapper.get());
    g_mime_part_set_content_encoding(part, encoding);
}

// ISO-2022-JP (7bit) when the text fits it, as Japanese readers expect; else UTF-8 in base64.
GObjectPtr<GMimeObject> textPart(const QString& body)
{
    QString text = withLineEnds(body, u"\n");
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    GMimeTextPart* part = g_mime_text_part_new_with_subtype("plain");
    const std::optional<QByteArray> jis = encodeIso2022Jp(toFullWidthKatakana(text));
    if (jis && linesFitSevenBit(*jis)) {
        setContent(GMIME_PART(part), *jis, GMIME_CONTENT_ENCODING_7BIT);
        g_mime_text_part_set_charset(part, "ISO-2022-JP");
    } else {
        setContent(GMIME_PART(part), text.toUtf8(), GMIME_CONTENT_ENCODING_BASE64);
        g_mime_text_part_set_charset(part, "UTF-8");
    }
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(part));
}

// Content-Disposition carries the RFC 2231 name; Content-Type's name= carries the same name as
// encoded words for readers that know only that.
void setAttachmentName(GMimeObject* object, const QString& name)
{
    g_mime_object_set_disposition(object, GMIME_DISPOSITION_ATTACHMENT);
    const QByteArray utf8 = name.toUtf8();
    g_mime_object_set_content_disposition_parameter(object, "filename", utf8.constData());
    GMimeParamList* params = g_mime_content_disposition_get_parameters(g_mime_object_get_content_disposition(object));
    if (GMimeParam* param = g_mime_param_list_get_parameter(params, "filename")) {
        g_mime_param_set_encoding_method(param, GMIME_PARAM_ENCODING_METHOD_RFC2231);
        g_mime_param_set_charset(param, "UTF-8");
    }
    if (GMIME_IS_MESSAGE_PART(object))
        return;
    g_mime_object_set_content_type_parameter(object, "name", utf8.constData());
    bool ascii = true;
    for (QChar c : name)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (ascii)
        return;
    // GMime would write RFC 2231 here too; old readers want encoded words in a quoted string.
    GMimeContentType* contentType = g_mime_object_get_content_type(object);
    GCharPtr type(g_mime_content_type_get_mime_type(contentType));
    QByteArray raw = QByteArray(" ") + type.get() + ";";
    if (const char* charset = g_mime_content_type_get_parameter(contentType, "charset"))
        raw += QByteArray(" charset=") + charset + ";";
    raw += "\n name=\"" + encodeWords(name).join("\n ") + "\"\n";
    GMimeHeader* header = g_mime_header_list_get_header(g_mime_object_get_header_list(object), "Content-Type");
    if (header)
        g_mime_header_set_raw_value(header, raw.constData());
}

GObjectPtr<GMimeObject> attachedMessage(const QString& path)
{
    GObjectPtr<GMimeStream> stream(g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, nullptr));
    if (!stream)
        return nullptr;
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message)
        return nullptr;
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(g_mime_message_part_new_with_message("rfc822", message.get())));
}

// The charset of a text file, judged on its first megabyte (cut after a line break, so that no
// character is split); nothing when it is in no charset a reader would know.
std::optional<QByteArray> charsetOfTextFile(QFile& file)
{
    constexpr qint64 kSample = 1024 * 1024;
    if (!file.seek(0))
        return std::nullopt;
    QByteArray sample = file.read(kSample);
    if (!file.atEnd() && sample.contains('\n'))
        sample.truncate(sample.lastIndexOf('\n') + 1);
    return textFileCharset(QByteArrayView(sample));
}

// A file's content goes into the message as it is written out: GMime reads and encodes it from
// the file in small pieces. A text file is labelled with the charset its bytes are in, or goes
// as application/octet-stream when they are in none: without a label a reader takes US-ASCII.
GObjectPtr<GMimeObject> filePart(const QString& path, const QString& name)
{
    GObjectPtr<GMimeStream> stream(g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, nullptr));
    if (!stream)
        return nullptr;
    QFile head(path);
    head.open(QIODevice::ReadOnly); // the type is guessed from the name and the first bytes
    const QMimeType type = QMimeDatabase().mimeTypeForFileNameAndData(name, &head);
    QStringList names = type.name().split(QLatin1Char('/'));
    std::optional<QByteArray> charset;
    if (names.size() == 2 && names[0] == QLatin1String("text"))
        charset = charsetOfTextFile(head);
    if (names.size() != 2 || type.isDefault() || (names[0] == QLatin1String("text") && !charset))
        names = {QStringLiteral("application"), QStringLiteral("octet-stream")};
    GMimePart* part = g_mime_part_new_with_type(names[0].toLatin1().constData(), names[1].toLatin1().constData());
    if (charset)
        g_mime_object_set_content_type_parameter(GMIME_OBJECT(part), "charset", charset->constData());
    GObjectPtr<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, wrapper.get());
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(part));
}

// One attachment entry, "path" or "path|name"; a null pointer and @p error when it cannot be read.
GObjectPtr<GMimeObject> attachmentPart(const QString& entry, QString* error)
{
    const qsizetype bar = entry.indexOf(QLatin1Char('|'));
    const QString path = bar < 0 ? entry : entry.left(bar);
    QString name = bar < 0 ? QString() : entry.mid(bar + 1).trimmed();
    if (name.isEmpty())
        name = QFileInfo(path).fileName();
    GObjectPtr<GMimeObject> part;
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("添付ファイルが見つかりません: ") + path;
        return nullptr;
    }
    if (QFileInfo(name).suffix().compare(QLatin1String("eml"), Qt::CaseInsensitive) == 0)
        part = attachedMessage(path);
    if (!part)
        part = filePart(path, name);
    if (!part) {
        *error = QStringLiteral("添付ファイルを読めません: ") + path;
        return nullptr;
    }
    setAttachmentName(part.get(), name);
    return part;
}

// The MIME entity: the text alone, or multipart/mixed of the text and the attachments.
GObjectPtr<GMimeObject> buildEntity(const QString& body, const QStringList& entries, QString* error)
{
    GObjectPtr<GMimeObject> text = textPart(body);
    if (entries.isEmpty())
        return text;
    GObjectPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed.get(), text.get());
    for (const QString& entry : entries) {
        GObjectPtr<GMimeObject> part = attachmentPart(entry, error);
        if (!part)
            return nullptr;
        g_mime_multipart_add(mixed.get(), part.get());
    }
    return GObjectPtr<GMimeObject>(GMIME_OBJECT(mixed.release()));
}

QStringList attachmentEntries(const QString& attachments)
{
    QStringList entries;
    for (const QString& entry : attachments.split(QLatin1Char('\t'), Qt::SkipEmptyParts)) {
        if (!entry.trimmed().isEmpty())
            entries.append(entry.trimmed());
    }
    return entries;
}

qint64 fileSize(const QString& entry)
{
    return QFileInfo(entry.section(QLatin1Char('|'), 0, 0)).size();
}

// Where DATA is written: memory, or a temporary file for a large message. Every line end that
// reaches it becomes CR LF, and it ends with a line end.
class DataSink {
public:
    explicit DataSink(bool toFile)
    {
        if (toFile) {
            m_spool = std::make_shared<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/fumibako-send-XXXXXX"));
            if (!m_spool->open())
                return;
            // Only the open file is used from here on: a crash leaves no copy of the message behind.
            QFile::remove(m_spool->fileName());
            m_target.reset(g_mime_stream_fs_new(m_spool->handle()));
            g_mime_stream_fs_set_owner(GMIME_STREAM_FS(m_target.get()), FALSE);
        } else {
            m_target.reset(g_mime_stream_mem_new());
        }
        m_filtered.reset(g_mime_stream_filter_new(m_target.get()));
        GObjectPtr<GMimeFilter> crlf(g_mime_filter_unix2dos_new(TRUE));
        g_mime_stream_filter_add(GMIME_STREAM_FILTER(m_filtered.get()), crlf.get());
    }

    GMimeStream* stream() const { return m_filtered.get(); }
    bool valid() const { return m_filtered != nullptr; }

    /** Flushes and hands the DATA over to @p message; false when writing failed. */
    bool finish(ComposedMessage& message)
    {
        if (g_mime_stream_flush(m_filtered.get()) != 0)
            return false;
        if (!m_spool) {
            GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(m_target.get()));
            message.data = QByteArray(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
            return true;
        }
        m_filtered.reset();
        m_target.reset();
        message.spool = m_spool;
        return m_spool->seek(0);
    }

private:
    std::shared_ptr<QTemporaryFile> m_spool;
    GObjectPtr<GMimeStream> m_target;
    GObjectPtr<GMimeStream> m_filtered;
};

bool writeBytes(GMimeStream* stream, const QByteArray& bytes)
{
    return g_mime_stream_write(stream, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

bool writeObject(GMimeStream* stream, GMimeObject* object)
{
    GMimeFormatOptions* options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    const ssize_t written = g_mime_object_write_to_stream(object, options, stream);
    g_mime_format_options_free(options);
    return written >= 0;
}

// A stored message sent on unchanged to new recipients, the Resent-* block on top (RFC 5322 3.6.6).
ComposedMessage redirect(const MailAddress& sender, const RecipientLists& recipients)
{
    GObjectPtr<GMimeStream> stored(
        g_mime_stream_fs_open(QFile::encodeName(recipients.redirectPath).constData(), O_RDONLY, 0, nullptr));
    if (!stored || !QFileInfo(recipients.redirectPath).isFile())
        return failure(QStringLiteral("転送するメールを読めません: ") + recipients.redirectPath);
    ComposedMessage message;
    message.envelopeFrom = sender.address.toLatin1();
    message.envelopeRecipients = recipients.envelope();
    QList<MailAddress> shown = recipients.to + recipients.cc;
    QByteArray block = addressField("Resent-From", {sender});
    block += shown.isEmpty() ? QByteArray("Resent-To: undisclosed-recipients:;\r\n") : addressField("Resent-To", shown);
    block += "Resent-Date: " + mailDate(QDateTime::currentDateTime()) + "\r\n";
    block += "Resent-Message-ID: " + newMessageId(sender.address) + "\r\n";
    DataSink sink(QFileInfo(recipients.redirectPath).size() > kSpoolThreshold);
    if (!sink.valid() || !writeBytes(sink.stream(), block) ||
        g_mime_stream_write_to_stream(stored.get(), sink.stream()) < 0 || !sink.finish(message))
        return failure(QStringLiteral("転送するメールを送信用に書き出せません: ") + recipients.redirectPath);
    return message;
}

// The message ids of a reference text: tokens "<...>" of printable ASCII; anything else (a
// line break above all) never reaches the header.
QList<QByteArray> messageIdTokens(const QString& ids)
{
    QList<QByteArray> tokens;
    for (const QString& id : ids.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool printable = id.size() > 2 && id.startsWith(QLatin1Char('<')) && id.endsWith(QLatin1Char('>'));
        for (QChar c : id)
            printable = printable && c.unicode() > 0x20 && c.unicode() < 0x7F;
        if (printable)
            tokens.append(id.toLatin1());
    }
    return tokens;
}

// In-Reply-To and References of a reply (RFC 5322 3.6.4).
QByteArray replyFields(const ReplyReferences& reply)
{
    QByteArray fields;
    const QList<QByteArray> inReplyTo = messageIdTokens(reply.inReplyTo);
    if (!inReplyTo.isEmpty())
        fields += foldField("In-Reply-To", inReplyTo);
    const QList<QByteArray> references = messageIdTokens(reply.references);
    if (!references.isEmpty())
        fields += foldField("References", references);
    return fields;
}

} // namespace

ComposedMessage composeMessage(const QString& recipients, const QString& from, const QString& subject,
                               const QString& body, const QString& attachments, const ReplyReferences& reply)
{
    ensureGMimeInitialized();
    const MailAddress sender = parseAddress(from);
    if (!isUsableAddress(sender.address))
        return failure(QStringLiteral("送信者のメールアドレスが正しくありません: ") + from);
    const RecipientLists lists = parseRecipients(recipients);
    if (!lists.error.isEmpty())
        return failure(lists.error);
    if (lists.envelope().isEmpty())
        return failure(QStringLiteral("宛先がありません"));
    if (!lists.redirectPath.isEmpty())
        return redirect(sender, lists);

    QString error;
    const QStringList entries = attachmentEntries(attachments);
    GObjectPtr<GMimeObject> entity = buildEntity(body, entries, &error);
    if (!entity)
        return failure(error);
    QByteArray headers = "Date: " + mailDate(QDateTime::currentDateTime()) + "\r\n";
    headers += addressField("From", {sender});
    headers += foldField("Subject", headerTokens(subject));
    if (!lists.to.isEmpty())
        headers += addressField("To", lists.to);
    if (!lists.cc.isEmpty())
        headers += addressField("Cc", lists.cc);
    if (lists.to.isEmpty() && lists.cc.isEmpty())
        headers += "To: undisclosed-recipients:;\r\n";
    headers += "Message-ID: " + newMessageId(sender.address) + "\r\n";
    headers += replyFields(reply);
    headers += "MIME-Version: 1.0\r\n";

    qint64 attached = 0;
    for (const QString& entry : entries)
        attached += fileSize(entry);
    ComposedMessage message;
    message.envelopeFrom = sender.address.toLatin1();
    message.envelopeRecipients = lists.envelope();
    DataSink sink(attached > kSpoolThreshold);
    if (!sink.valid() || !writeBytes(sink.stream(), headers) || !writeObject(sink.stream(), entity.get()) ||
        !sink.finish(message))
        return failure(QStringLiteral("送信するメールを書き出せません (一時ファイル)"));
    return message;
}

std::optional<SmtpEnvelope> composeEnvelope(const QString& recipients, const QString& from)
{
    ensureGMimeInitialized();
    const MailAddress sender = parseAddress(from);
    const RecipientLists lists = parseRecipients(recipients);
    if (!isUsableAddress(sender.address) || !lists.error.isEmpty() || lists.envelope().isEmpty())
        return std::nullopt;
    return SmtpEnvelope{sender.address.toLatin1(), lists.envelope()};
}

qint64 ComposedMessage::size() const
{
    return spool ? spool->size() : data.size();
}

QByteArray ComposedMessage::bytes() const
{
    if (!spool)
        return data;
    return spool->seek(0) ? spool->readAll() : QByteArray();
}

} // namespace fumibako::platform::mail
