#include "platform/CrashPoint.h"

#include <QByteArray>

#include <csignal>
#include <cstdlib>

namespace fumibako::platform {

namespace {

const QByteArray& chosenPoint()
{
    static const QByteArray point = qgetenv("FUMIBAKO_CRASH_AT");
    return point;
}

} // namespace

void crashPoint(const char* name)
{
    if (!chosenPoint().isEmpty() && chosenPoint() == name)
        std::raise(SIGKILL);
}

void crashPoint(const char* name, int number)
{
    if (!chosenPoint().isEmpty() && chosenPoint() == QByteArray(name) + ':' + QByteArray::number(number))
        std::raise(SIGKILL);
}

} // namespace fumibako::platform
