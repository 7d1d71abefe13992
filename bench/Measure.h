#pragma once

#include <chrono>
#include <cstddef>

// Wall-clock seconds since construction.
class Stopwatch {
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

// Processor seconds, user and system, this process has used so far. Unlike wall time, hardly touched
// by other programs that share the machine's processors.
double processorSeconds();
// The same of another process of this machine, or a negative number where the system does not say.
double processorSecondsOf(long pid);

// Peak resident memory of this process since the last reset, in bytes (Linux: VmHWM, reset through
// /proc/self/clear_refs). Returns 0 where the system does not say.
std::size_t peakResidentBytes();
void resetPeakResident();
