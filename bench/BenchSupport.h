#pragma once

#include "platform/UserPrompts.h"

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace fumibako::bench {

/**
 * True in a smoke run (`bench/run-all --smoke` sets FUMIBAKO_BENCH_SMOKE=1): every benchmark on
 * tiny data and with one run of each measurement, printing the same RESULT names as a full run,
 * so that a test can tell a benchmark that still works from one that stopped. Its figures mean
 * nothing.
 */
inline bool smokeRun()
{
    return qEnvironmentVariable("FUMIBAKO_BENCH_SMOKE") == QLatin1String("1");
}

/** A size of a benchmark's data: @p full, or @p smoke in a smoke run. */
inline int sized(int full, int smoke)
{
    return smokeRun() ? smoke : full;
}

/** Prints one figure as the benchmark runner expects it. */
inline void printResult(const char* name, double value, const char* unit)
{
    std::printf("RESULT %s %.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

/**
 * The median wall time in milliseconds of @p runs runs of @p work, each after @p prepare; one run
 * in a smoke run.
 */
inline double medianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < sized(runs, 1); ++i) {
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
