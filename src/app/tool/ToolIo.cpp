#include "app/tool/ToolIo.h"

#include <cstdio>

namespace fumibako::tool {

void printLine(const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stdout);
}

void printError(const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stderr);
}

int parseCount(const QString& text, const QString& what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        throw UsageError{what + QStringLiteral(" must be a whole number of 0 or more: ") + text};
    return value;
}

} // namespace fumibako::tool
