#include "platform/Cp932.h"

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include <iconv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fumibako::platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kEscapeFirst = 0xDC80; // only bytes >= 0x80 are ever escaped
constexpr char16_t kEscapeLast = 0xDCFF;

constexpr std::uint32_t kEncValid = 0x80000000u;
constexpr std::uint32_t kEncExact = 0x40000000u;

/**
 * Conversion tables filled once from glibc iconv, so that converting a text is a table lookup per
 * character instead of an iconv call: the mail indexes hold megabytes of text.
 */
struct Tables {
    std::array<std::int32_t, 256> single{};  // byte -> UTF-16 unit, -1 when not a character alone
    std::vector<char16_t> pair;              // (lead << 8 | trail) -> UTF-16 unit, 0 when invalid
    std::vector<std::uint32_t> encode;       // UTF-16 unit -> code | kEncValid | kEncExact
};

bool iconvOne(iconv_t cd, const char* in, size_t inLength, char* out, size_t& outLength)
{
    char* inPtr = const_cast<char*>(in);
    char* outPtr = out;
    size_t inLeft = inLength;
    size_t outLeft = outLength;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0)
        return false;
    outLength = outLength - outLeft;
    return true;
}

void fillDecode(Tables& t, iconv_t cd)
{
    char out[8];
    for (int b = 0; b < 256; ++b) {
        const char in = char(b);
        size_t n = sizeof out;
        t.single[b] = (iconvOne(cd, &in, 1, out, n) && n == 2)
            ? std::int32_t(std::uint8_t(out[0]) | std::uint8_t(out[1]) << 8) : -1;
    }
    t.pair.assign(65536, 0);
    for (int lead = 0x80; lead < 256; ++lead) {
        if (t.single[lead] >= 0)
            continue;
        for (int trail = 0x40; trail < 256; ++trail) {
            const char in[2] = {char(lead), char(trail)};
            size_t n = sizeof out;
            if (iconvOne(cd, in, 2, out, n) && n == 2)
                t.pair[lead << 8 | trail] = char16_t(std::uint8_t(out[0]) | std::uint8_t(out[1]) << 8);
        }
    }
}

char16_t decodeCode(const Tables& t, std::uint32_t code)
{
    if (code < 0x100)
        return t.single[code] >= 0 ? char16_t(t.single[code]) : char16_t(0xFFFF);
    return t.pair[code] ? t.pair[code] : char16_t(0xFFFF);
}

void fillEncode(Tables& t, iconv_t cd)
{
    t.encode.assign(65536, 0);
    for (std::uint32_t u = 0; u < 0x80; ++u)
        t.encode[u] = u | kEncValid | kEncExact;
    char out[8];
    for (std::uint32_t u = 0x80; u < 0x10000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const char in[2] = {char(u & 0xFF), char(u >> 8)};
        size_t n = sizeof out;
        if (!iconvOne(cd, in, 2, out, n) || n < 1 || n > 2)
            continue;
        const std::uint32_t code = n == 1 ? std::uint8_t(out[0])
                                          : std::uint32_t(std::uint8_t(out[0])) << 8 | std::uint8_t(out[1]);
        // A character that only has an approximation (WAVE DASH -> FULLWIDTH TILDE) is not exact.
        t.encode[u] = code | kEncValid | (decodeCode(t, code) == u ? kEncExact : 0);
    }
}

Tables buildTables()
{
    Tables t;
    iconv_t toUtf16 = iconv_open("UTF-16LE", "CP932");
    iconv_t fromUtf16 = iconv_open("CP932", "UTF-16LE");
    if (toUtf16 == iconv_t(-1) || fromUtf16 == iconv_t(-1))
        qFatal("glibc iconv has no CP932 converter");
    fillDecode(t, toUtf16);
    fillEncode(t, fromUtf16);
    iconv_close(toUtf16);
    iconv_close(fromUtf16);
    return t;
}

const Tables& tables()
{
    static const Tables t = buildTables(); // thread-safe one-time initialisation
    return t;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (std::uint8_t(c) >= 0x80)
            return false;
    }
    return true;
}

constexpr qsizetype kAsciiBlock = 16;

/**
 * Copies the ASCII bytes at the start of the kAsciiBlock bytes at @p in to @p out as UTF-16
 * units and returns how many there were; may write up to kAsciiBlock units. Index files are
 * mostly ASCII (file names, flags, addresses, dates): a block at a time is several times fewer
 * steps than a byte at a time.
 */
qsizetype widenAscii(const std::uint8_t* in, char16_t* out)
{
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(block, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(block, zero));
    const unsigned high = unsigned(_mm_movemask_epi8(block));
    return high == 0 ? kAsciiBlock : std::countr_zero(high);
#else
    qsizetype i = 0;
    while (i < kAsciiBlock && in[i] < 0x80) {
        out[i] = in[i];
        ++i;
    }
    return i;
#endif
}

bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool isEscape(char16_t u) { return u >= kEscapeFirst && u <= kEscapeLast; }

/** Units taken by the character at @p i: 2 for a surrogate pair, else 1. */
qsizetype unitsAt(QStringView text, qsizetype i)
{
    return (isHighSurrogate(text[i].unicode()) && i + 1 < text.size()
            && isLowSurrogate(text[i + 1].unicode())) ? 2 : 1;
}

/** Code page 932 bytes of the character at @p i that takes @p units UTF-16 units. */
int charByteLength(QStringView text, qsizetype i, qsizetype units)
{
    if (units == 2)
        return 4;
    const char16_t u = text[i].unicode();
    if (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F) || isEscape(u))
        return 1;
    return 2;
}

} // namespace

QString decodeCp932(QByteArrayView bytes)
{
    if (bytes.size() < 64 && isAscii(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());
    QString result(bytes.size(), Qt::Uninitialized);
    result.truncate(decodeCp932(bytes, reinterpret_cast<char16_t*>(result.data())));
    return result;
}

qsizetype decodeCp932(QByteArrayView bytes, char16_t* out)
{
    const Tables& t = tables();
    qsizetype n = 0;
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const std::uint8_t b = in[i];
        if (b < 0x80 && i + kAsciiBlock <= size) {
            // n <= i, so the units written fit in the room of the bytes.
            const qsizetype ascii = widenAscii(in + i, out + n);
            i += ascii;
            n += ascii;
        } else if (b < 0x80) {
            out[n++] = b;
            ++i;
        } else if (t.single[b] >= 0) {
            out[n++] = char16_t(t.single[b]);
            ++i;
        } else if (i + 1 < size && t.pair[b << 8 | in[i + 1]]) {
            out[n++] = t.pair[b << 8 | in[i + 1]];
            i += 2;
        } else {
            out[n++] = char16_t(kEscapeBase + b);
            ++i;
        }
    }
    return n;
}

QByteArray encodeCp932(QStringView text, bool* lossless)
{
    bool exact = true;
    QByteArray out;
    out.reserve(text.size() * 2);
    const Tables* t = nullptr;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t u = text[i].unicode();
        const qsizetype units = unitsAt(text, i);
        i += units;
        if (u < 0x80) {
            out.append(char(u));
            continue;
        }
        if (units == 1 && isEscape(u)) {
            out.append(char(u - kEscapeBase));
            continue;
        }
        if (!t)
            t = &tables();
        const std::uint32_t e = units == 1 ? t->encode[u] : 0;
        if (!(e & kEncValid)) {
            out.append('?');
            exact = false;
            continue;
        }
        const std::uint32_t code = e & 0xFFFF;
        if (code >= 0x100)
            out.append(char(code >> 8));
        out.append(char(code & 0xFF));
        exact = exact && (e & kEncExact);
    }
    if (lossless)
        *lossless = exact;
    return out;
}

bool isCp932Representable(QStringView text)
{
    const Tables* t = nullptr;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t u = text[i].unicode();
        const qsizetype units = unitsAt(text, i);
        i += units;
        if (u < 0x80 || (units == 1 && isEscape(u)))
            continue;
        if (units == 2)
            return false;
        if (!t)
            t = &tables();
        if ((t->encode[u] & (kEncValid | kEncExact)) != (kEncValid | kEncExact))
            return false;
    }
    return true;
}

int cp932ByteLength(QStringView text)
{
    qsizetype total = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = unitsAt(text, i);
        total += charByteLength(text, i, units);
        i += units;
    }
    return int(qMin<qsizetype>(total, std::numeric_limits<int>::max()));
}

QString cutToCp932Bytes(QStringView text, int maxBytes)
{
    qsizetype total = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype units = unitsAt(text, i);
        total += charByteLength(text, i, units);
        if (total > maxBytes)
            break;
        i += units;
    }
    return text.left(i).toString();
}

} // namespace fumibako::platform
