// The header decoder (encoded words), the lenient base64 decoder and the charset decoders on
// arbitrary bytes; the first byte chooses the declared charset.
#include "FuzzSupport.h"
#include "platform/mail/Charsets.h"
#include "platform/mail/EncodedWords.h"

#include <algorithm>

using namespace fumibako;
namespace mail = fumibako::platform::mail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QByteArrayView charsets[] = {"ISO-2022-JP", "Shift_JIS", "CP932", "EUC-JP", "UTF-8", "us-ascii",
                                              "iso-8859-1", "x-unknown", ""};
    if (size == 0)
        return 0;
    const QByteArrayView charset = charsets[data[0] % std::size(charsets)];
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    const QString header = mail::decodeHeaderText(bytes);
    mail::encodeWords(header);
    mail::decodeBase64Leniently(bytes);
    mail::decodeText(bytes, charset);
    mail::guessCharset(bytes);
    mail::canonicalCharset(bytes.first(std::min<qsizetype>(bytes.size(), 40)));
    const QString jis = mail::decodeIso2022Jp(bytes);
    mail::encodeIso2022Jp(jis);
    mail::decodeCp932Text(bytes);
    return 0;
}
