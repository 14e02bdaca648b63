#pragma once
// What every benchmark prints beside its figures: the machine's load when it ran. The machine
// may be shared, so each benchmark also alternates its two sides and keeps the best run of each.

#include <QFile>
#include <QString>

#include <cstdio>

namespace zentil::bench {

// The 1, 5 and 15 minute load averages as the kernel reports them; "unknown" when unreadable.
inline QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    const QList<QByteArray> fields = file.readAll().split(' ');
    if (fields.size() < 3)
        return QStringLiteral("unknown");
    return QString::fromLatin1(fields[0] + ' ' + fields[1] + ' ' + fields[2]);
}

inline void PrintLoadAverage(const char* when)
{
    std::printf("load average %s: %s\n", when, qPrintable(LoadAverage()));
    std::fflush(stdout);
}

} // namespace zentil::bench
