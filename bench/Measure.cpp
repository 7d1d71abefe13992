#include "Measure.h"

#include <fstream>
#include <string>

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
