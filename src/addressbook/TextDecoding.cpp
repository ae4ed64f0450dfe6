#include "addressbook/TextDecoding.h"

#include "platform/Cp932.h"
#include "platform/mail/Charsets.h"

#include <QFile>
#include <QStringDecoder>

namespace fumibako::addressbook {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr char kUtf16LeBom[] = "\xFF\xFE";
constexpr char kUtf16BeBom[] = "\xFE\xFF";

struct Decoding {
    QString text;
    bool clean = true;
};

Decoding decodeStrict(QByteArrayView bytes, QStringDecoder::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    Decoding out{decoder.decode(bytes), true};
    out.clean = !decoder.hasError();
    return out;
}

bool isValidUtf8(QByteArrayView bytes)
{
    return decodeStrict(bytes, QStringDecoder::Utf8).clean;
}

// Code page 932 text keeps bytes that are no character as escapes (U+DC80..U+DCFF).
bool hasCp932Escapes(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            return true;
    }
    return false;
}

Decoding decodeWithoutMark(QByteArrayView bytes)
{
    const QByteArray charset = platform::mail::guessCharset(bytes);
    if (charset == "US-ASCII" || charset == "UTF-8")
        return {QString::fromUtf8(bytes), true};
    if (charset == "CP932") {
        Decoding out{platform::decodeCp932(bytes), true};
        out.clean = !hasCp932Escapes(out.text);
        return out;
    }
    Decoding out{platform::mail::decodeText(bytes, charset), true};
    out.clean = !out.text.contains(QChar(0xFFFD));
    return out;
}

Decoding decodeAny(QByteArrayView bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return decodeStrict(bytes.sliced(3), QStringDecoder::Utf8);
    if (bytes.startsWith(kUtf16LeBom))
        return decodeStrict(bytes.sliced(2), QStringDecoder::Utf16LE);
    if (bytes.startsWith(kUtf16BeBom))
        return decodeStrict(bytes.sliced(2), QStringDecoder::Utf16BE);
    return decodeWithoutMark(bytes);
}

bool isBadCharacter(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20)
        return u != u'\t' && u != u'\r' && u != u'\n';
    return u == 0x7F || u == 0xFFFD || (u >= 0xDC80 && u <= 0xDCFF);
}

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

void findProblem(DecodedText& decoded, bool clean)
{
    const QString& text = decoded.text;
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++line;
        if (!isBadCharacter(c) || (clean && !isControl(c)))
            continue;
        decoded.problem = isControl(c) ? TextProblem::NotText : TextProblem::Undecodable;
        decoded.problemLine = line;
        return;
    }
    if (!clean) {
        decoded.problem = TextProblem::Undecodable;
        decoded.problemLine = line;
    }
}

} // namespace

DecodedText decodeTextBytes(QByteArrayView bytes)
{
    if (bytes.endsWith('\x1A'))
        bytes.chop(1);
    const bool utf16 = bytes.startsWith(kUtf16LeBom) || bytes.startsWith(kUtf16BeBom);
    // A NUL byte outside UTF-16 is never text, whatever the guess of the encoding would say.
    const Decoding decoded = !utf16 && bytes.contains('\0') ? Decoding{QString::fromLatin1(bytes), true}
                                                           : decodeAny(bytes);
    DecodedText out{decoded.text, TextProblem::None, 0};
    if (out.text.endsWith(QChar(0x1A)))
        out.text.chop(1);
    findProblem(out, decoded.clean);
    return out;
}

DecodedText readTextFile(const QString& path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QString(), TextProblem::Undecodable, 0};
    if (file.size() > maxBytes)
        return {QString(), TextProblem::TooLarge, 0};
    return decodeTextBytes(file.readAll());
}

QString decodeBookBytes(QByteArrayView bytes)
{
    if (bytes.startsWith(kUtf8Bom))
        return QString::fromUtf8(bytes.sliced(3));
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return platform::decodeCp932(bytes);
}

} // namespace fumibako::addressbook
