#include "platform/mail/LineEnds.h"

namespace fumibako::platform::mail {

QString withLineEnds(QStringView text, QStringView lineEnd)
{
    QString out;
    out.reserve(text.size() + text.size() / 32 + 16);
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        out += text.sliced(copied, i - copied);
        out += lineEnd;
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        copied = i + 1;
    }
    out += text.sliced(copied);
    return out;
}

} // namespace fumibako::platform::mail
