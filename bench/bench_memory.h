#pragma once

// Resident memory of this process, for the benchmarks that report it.

#include <QByteArray>
#include <QFile>

namespace bench_memory {

// kB from /proc/self/status: "VmRSS:" now, "VmHWM:" the peak since ResetPeak.
inline long StatusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

inline double ResidentMB()
{
    return double(StatusKb("VmRSS:")) / 1024.0;
}

inline double PeakMB()
{
    return double(StatusKb("VmHWM:")) / 1024.0;
}

// Starts a new peak from the memory resident now.
inline void ResetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

}  // namespace bench_memory
