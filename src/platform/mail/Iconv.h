#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <iconv.h>

namespace fumibako::platform::mail {

/** One glibc iconv conversion descriptor, closed on destruction. Not shared between threads. */
class Iconv {
public:
    Iconv(const char* to, const char* from);
    ~Iconv();
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool isValid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    /**
     * Converts @p input. A byte sequence that cannot be converted is replaced by @p replacement
     * and skipped one byte at a time; @p clean is set to false when that happened.
     */
    QByteArray convert(QByteArrayView input, QByteArrayView replacement, bool* clean = nullptr);

private:
    iconv_t m_cd;
};

/** Decodes @p bytes from @p charset with iconv. @p clean: false when some bytes were invalid. */
QString decodeWithIconv(QByteArrayView bytes, const char* charset, bool* clean = nullptr);

/** Whether iconv knows @p charset. */
bool iconvKnows(const char* charset);

/**
 * Keeps glibc's converter modules for the Japanese charsets loaded for the life of the process.
 * GMime opens and closes a converter for every encoded header; without this, glibc unloads the
 * module between messages and loads it again for the next one. Call once.
 */
void keepJapaneseConvertersLoaded();

} // namespace fumibako::platform::mail
