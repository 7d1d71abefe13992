#include "Measure.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

std::size_t peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return static_cast<std::size_t>(std::stoull(line.substr(6))) * 1024;
    }
    return 0;
}

void resetPeakResident()
{
    // "5" resets the peak to the current resident size (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
}

double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double processorSecondsOf(long pid)
{
    // Nanoseconds on a processor of each thread (the first field of schedstat): the process's own
    // figure in /proc/PID/stat counts in clock ticks of 10 ms, too coarse for a copy of a tenth of a
    // second.
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    double seconds = 0;
    bool any = false;
    for (const auto &task : std::filesystem::directory_iterator(tasks, ec)) {
        unsigned long long nanoseconds = 0;
        if (std::ifstream(task.path() / "schedstat") >> nanoseconds) {
            seconds += double(nanoseconds) / 1e9;
            any = true;
        }
    }
    return any ? seconds : -1;
}
