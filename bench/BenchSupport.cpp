#include "BenchSupport.h"

#include <QFile>

namespace fumibako::bench {

namespace {

// A "Vm...:" figure of /proc/self/status in MB.
double statusMegabytes(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

double residentMegabytes()
{
    return statusMegabytes("VmRSS:");
}

double peakResidentMegabytes()
{
    return statusMegabytes("VmHWM:");
}

bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace fumibako::bench
