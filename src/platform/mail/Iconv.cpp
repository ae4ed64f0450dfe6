#include "platform/mail/Iconv.h"

#include <cerrno>

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

QString decodeWithIconv(QByteArrayView bytes, const char* charset, bool* clean)
{
    Iconv cd("UTF-8", charset);
    return QString::fromUtf8(cd.convert(bytes, "\xEF\xBF\xBD", clean));
}

bool iconvKnows(const char* charset)
{
    return Iconv("UTF-8", charset).isValid();
}

} // namespace fumibako::platform::mail
