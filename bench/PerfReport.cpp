#include "PerfReport.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace {

std::string format(const char *fmt, ...)
{
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

double megabytes(std::size_t bytes) { return bytes / (1024.0 * 1024.0); }

std::string serverRows(const char *name, const ServerFigures &f)
{
    return format("| %s | %zu | %.0f | %.0f | %.0f | %.0f | %.2f |\n", name, f.rows, f.r(), f.w(), f.s(), f.e(),
                  f.e() / f.s());
}

} // namespace

double LobMemoryFigures::peakRatio() const
{
    const double allowance = 64.0 * 1024 * 1024;
    return (static_cast<double>(copy.peakBytes) - allowance) / static_cast<double>(objectBytes);
}

double PerfReport::lobPeakRatio() const
{
    double worst = 0;
    for (const auto &m : lobMemory)
        worst = std::max(worst, m.peakRatio());
    return worst;
}

double PerfReport::scalingRatio() const
{
    if (scaling.size() < 2)
        return 0;
    auto perRow = [](const CopyFigures &c) { return c.cost() / c.rows; };
    return perRow(scaling.back()) / perRow(scaling.front());
}

double PerfReport::peakMegabytes() const { return scaling.empty() ? 0 : megabytes(scaling.back().peakBytes); }

std::string PerfReport::render() const
{
    std::string out;
    out += "## Copy against what the two servers allow\n\n";
    out += "R: streamed read through MariaDB Connector/C alone. W: the Oracle driver's array insert of the same "
           "rows, already in memory, into the stand-in. S = 1 / (1/R + 1/W). E: `CopyTableRows`. Rows per second.\n\n";
    out += "| table | rows | R | W | S | E | E / S |\n|---|---|---|---|---|---|---|\n";
    out += serverRows("wide (int, bigint, decimal, varchar, datetime, text)", wide);
    out += serverRows("narrow (int, int)", narrow);
    out += "\n## Time and memory as the table grows (wide table; sizes in turn, best of six runs each)\n\n";
    out += "Processor seconds: this process and the MariaDB server together, which other programs on the machine "
           "hardly change.\n\n";
    out += "| rows | seconds | µs per row | processor seconds | processor µs per row | peak resident MB | at start MB "
           "|\n|---|---|---|---|---|---|---|\n";
    for (const auto &c : scaling) {
        const std::string processor =
            c.processorSeconds < 0 ? std::string("| not read | not read ")
                                   : format("| %.2f | %.2f ", c.processorSeconds, 1e6 * c.processorSeconds / c.rows);
        out += format("| %zu | %.2f | %.2f ", c.rows, c.seconds, 1e6 * c.seconds / c.rows) + processor +
               format("| %.1f | %.1f |\n", megabytes(c.peakBytes), megabytes(c.baseBytes));
    }
    const bool processor =
        !scaling.empty() && scaling.front().processorSeconds >= 0 && scaling.back().processorSeconds >= 0;
    out += format("\n%s per row at %zu rows / at %zu rows: %.2f. Peak memory of the largest copy / the smallest: "
                  "%.2f.\n",
                  processor ? "Processor time" : "Time", scaling.empty() ? 0 : scaling.back().rows,
                  scaling.empty() ? 0 : scaling.front().rows, scalingRatio(),
                  scaling.empty() ? 0.0 : double(scaling.back().peakBytes) / double(scaling.front().peakBytes));
    out += "\n## Round trips (the stand-in adds 1 ms to each)\n\n";
    out += "| applies | rows | seconds | rows/s |\n|---|---|---|---|\n";
    out += format("| one array execute per apply | %zu | %.2f | %.0f |\n", delayRows, delayArraySeconds,
                  delayRows / delayArraySeconds);
    out += format("| one INSERT per row | %zu | %.2f | %.0f |\n", delayRows, delayRowByRowSeconds,
                  delayRows / delayRowByRowSeconds);
    out += format("\nArray applies are %.1f times as fast.\n", arraySpeedup());
    const double total = megabytes(lobRows * lobBytes);
    out += "\n## Large objects (best of three runs each)\n\n";
    out += "| what | objects | MB | seconds | MB/s |\n|---|---|---|---|---|\n";
    out += format("| streamed read through MariaDB Connector/C alone | %zu | %.0f | %.2f | %.1f |\n", lobRows, total,
                  lobReadSeconds, total / lobReadSeconds);
    out += format("| the stand-in's own write rate (driver, objects in memory) | %zu | %.0f | %.2f | %.1f |\n", lobRows,
                  total, lobWriteSeconds, total / lobWriteSeconds);
    out += format("| `CopyTableRows` | %zu | %.0f | %.2f | %.1f |\n", lobRows, total, lobCopy.seconds,
                  total / lobCopy.seconds);
    const double lobLimit = 1.0 / (1.0 / (total / lobReadSeconds) + 1.0 / (total / lobWriteSeconds));
    out += format("\nCopy / stand-in: %.2f. Copy / S (read and write in turn): %.2f. Peak resident memory of the "
                  "copy: %.1f MB.\n\n",
                  lobRatio(), (total / lobCopy.seconds) / lobLimit, megabytes(lobCopy.peakBytes));
    if (!lobMemory.empty()) {
        out += "## Memory of large-object copies\n\n";
        out += "Peak resident memory of the whole process while `CopyTableRows` ran, against the largest "
               "object. "
               "Goal: at most 1.5 times the largest object plus 64 MB, whatever the number of objects.\n\n";
        out += "| objects | MB each | seconds | peak resident MB | at start MB | (peak - 64 MB) / largest |\n"
               "|---|---|---|---|---|---|\n";
        for (const auto &m : lobMemory)
            out += format("| %zu | %.0f | %.2f | %.1f | %.1f | %.2f |\n", m.objects, megabytes(m.objectBytes),
                          m.copy.seconds, megabytes(m.copy.peakBytes), megabytes(m.copy.baseBytes), m.peakRatio());
        out += "\n";
    }
    return out;
}

std::string PerfReport::summary() const
{
    return format("summary: e_over_s=%.2f scaling=%.2f peak_mb=%.0f array_speedup=%.1f lob_ratio=%.2f "
                  "lob_peak_ratio=%.2f\n",
                  wide.e() / wide.s(), scalingRatio(), peakMegabytes(), arraySpeedup(), lobRatio(), lobPeakRatio());
}

void PerfReport::writeDocument(const std::string &path) const
{
    std::ofstream doc(path);
    if (!doc)
        throw std::runtime_error("cannot write " + path);
    doc << "# Performance\n\n"
        << "Figures from one run of `build/bench/morvane-bench perf --rows " << rows
        << " --write-doc` against the private MariaDB of `scripts/mariadb-sandbox.sh` and the Oracle stand-in, "
           "on one machine (2 cores). Ratios matter more than the absolute rates: the stand-in is SQLite, "
           "not Oracle.\n\n"
        << render() << "```\n" << summary() << "```\n";
}
