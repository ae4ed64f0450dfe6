#include "platform/mail/Iconv.h"

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fumibako::platform::mail {

Iconv::Iconv(const char* to, const char* from)
    : m_cd(iconv_open(to, from))
{
}

Iconv::~Iconv()
{
    if (isValid())
        iconv_close(m_cd);
}

QByteArray Iconv::convert(QByteArrayView input, QByteArrayView replacement, bool* clean)
{
    if (clean)
        *clean = true;
    QByteArray out;
    if (!isValid())
        return out;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = size_t(input.size());
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(m_cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != size_t(-1) || errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated at the end): replace one byte and go on.
        out.append(replacement.data(), replacement.size());
        ++in;
        --inLeft;
        if (clean)
            *clean = false;
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    return out;
}

namespace {

// Decoders are kept for the life of the thread: opening one per piece of text costs more than
// converting a header, and glibc unloads a converter module that no open descriptor holds,
// so alternating charsets would load the module again and again.
Iconv& decoderTo8(const char* charset)
{
    thread_local std::map<std::string, std::unique_ptr<Iconv>, std::less<>> decoders;
    auto it = decoders.find(std::string_view(charset));
    if (it == decoders.end())
        it = decoders.emplace(charset, std::make_unique<Iconv>("UTF-8", charset)).first;
    return *it->second;
}

} // namespace

QString decodeWithIconv(QByteArrayView bytes, const char* charset, bool* clean)
{
    return QString::fromUtf8(decoderTo8(charset).convert(bytes, "\xEF\xBF\xBD", clean));
}

bool iconvKnows(const char* charset)
{
    return decoderTo8(charset).isValid();
}

void keepJapaneseConvertersLoaded()
{
    static const char* const charsets[] = {"ISO-2022-JP", "CP932", "SHIFT_JIS", "EUC-JP", "EUC-JP-MS"};
    // Never closed, nor destroyed at exit: they hold the modules in memory for the process's life.
    static auto* const held = new std::vector<iconv_t>;
    for (const char* charset : charsets) {
        const iconv_t cd = iconv_open("UTF-8", charset);
        if (cd != reinterpret_cast<iconv_t>(-1))
            held->push_back(cd);
    }
}

} // namespace fumibako::platform::mail
