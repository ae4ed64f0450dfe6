#include "platform/mail/GMimeSupport.h"

#include "platform/mail/EncodedWords.h"
#include "platform/mail/Iconv.h"

#include <mutex>

namespace fumibako::platform::mail {

void ensureGMimeInitialized()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_mime_init();
        keepJapaneseConvertersLoaded();
    });
}

QByteArray rawHeader(GMimeObject* object, const char* name)
{
    GMimeHeader* header = g_mime_header_list_get_header(g_mime_object_get_header_list(object), name);
    if (!header)
        return {};
    const char* raw = g_mime_header_get_raw_value(header);
    return raw ? QByteArray(raw) : QByteArray("");
}

GObjectPtr<GMimeStream> memoryStream(QByteArrayView bytes)
{
    return GObjectPtr<GMimeStream>(
        g_mime_stream_mem_new_with_buffer(bytes.data(), size_t(bytes.size())));
}

QByteArray streamBytes(GMimeStream* stream)
{
    GObjectPtr<GMimeStream> sink(g_mime_stream_mem_new());
    g_mime_stream_reset(stream);
    g_mime_stream_write_to_stream(stream, sink.get());
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(sink.get()));
    return QByteArray(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
}

QByteArray partContent(GMimePart* part)
{
    GMimeDataWrapper* wrapper = g_mime_part_get_content(part);
    if (!wrapper)
        return {};
    // GMime 3.2.13's base64 decoder stops at padding in the middle of a body (chunked base64);
    // ours starts afresh after it.
    if (g_mime_data_wrapper_get_encoding(wrapper) == GMIME_CONTENT_ENCODING_BASE64)
        return decodeBase64Leniently(streamBytes(g_mime_data_wrapper_get_stream(wrapper)));
    GObjectPtr<GMimeStream> sink(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(wrapper, sink.get());
    return streamBytes(sink.get());
}

QByteArray objectBytes(GMimeObject* object)
{
    GMimeFormatOptions* options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    GObjectPtr<GMimeStream> sink(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, options, sink.get());
    g_mime_format_options_free(options);
    return streamBytes(sink.get());
}

} // namespace fumibako::platform::mail
