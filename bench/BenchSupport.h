#pragma once

#include "platform/UserPrompts.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace fumibako::bench {

/** Prints one figure as the benchmark runner expects it. */
inline void printResult(const char* name, double value, const char* unit)
{
    std::printf("RESULT %s %.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

/** The median wall time in milliseconds of @p runs runs of @p work, each after @p prepare. */
inline double medianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

/** Prompts that answer every question Yes and show nothing. */
class SilentPrompts : public platform::UserPrompts {
public:
    platform::Answer message(const QString&, const QString&, platform::Icon, platform::Buttons) override
    {
        return platform::Answer::Yes;
    }
    void setStatus(int, const QString&) override {}
};

/** Resident memory of this process in MB (from /proc/self/status). */
double residentMegabytes();

/** The peak resident memory of this process in MB since it started or since resetPeakMemory(). */
double peakResidentMegabytes();

/** Starts the peak of peakResidentMegabytes() afresh; false where the system does not allow it. */
bool resetPeakMemory();

} // namespace fumibako::bench
