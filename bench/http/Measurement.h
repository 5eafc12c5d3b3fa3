#pragma once

#include <QtGlobal>

#include <sys/resource.h>

#include <chrono>

// Bytes moved, wall time and CPU time of one run.
struct Measurement {
    qint64 bytes = 0;
    double seconds = 0;
    double cpuSeconds = 0;

    double megabytesPerSecond() const { return bytes / seconds / 1e6; }
    double cpuSecondsPerGiB() const { return cpuSeconds / (double(bytes) / (1 << 30)); }

    static double cpuSecondsOf(const rusage& usage) {
        const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
};
