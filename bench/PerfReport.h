#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct CopyFigures {
    std::size_t rows = 0;
    double seconds = 0;
    // Processor seconds of this process and the MariaDB server while the copy ran; negative when the
    // server's could not be read.
    double processorSeconds = -1;
    std::size_t peakBytes = 0; // peak resident memory of the process while the copy ran
    std::size_t baseBytes = 0; // resident memory when it started

    // What the scaling figure compares: processor seconds where measured, wall seconds otherwise.
    double cost() const { return processorSeconds >= 0 ? processorSeconds : seconds; }
};

// R, W and E of one table. S = 1 / (1/R + 1/W) is what a copy that reads and writes in turn can reach.
struct ServerFigures {
    std::size_t rows = 0;
    double readSeconds = 0;
    double writeSeconds = 0;
    double copySeconds = 0;

    double r() const { return rows / readSeconds; }
    double w() const { return rows / writeSeconds; }
    double e() const { return rows / copySeconds; }
    double s() const { return 1.0 / (1.0 / r() + 1.0 / w()); }
};

// One copy of a table of large objects, against the largest object in it.
struct LobMemoryFigures {
    std::size_t objects = 0;
    std::size_t objectBytes = 0;
    CopyFigures copy;

    // Peak resident memory beyond the 64 MB the program may take anyway, per byte of the largest object:
    // the goal is at most 1.5, whatever the number of objects.
    double peakRatio() const;
};

// The figures of one `morvane-bench perf` run, as a Markdown table and a one-line summary.
struct PerfReport {
    std::size_t rows = 0;
    std::vector<CopyFigures> scaling; // the wide table at three sizes, smallest first
    ServerFigures wide, narrow;
    std::size_t delayRows = 0;
    double delayArraySeconds = 0, delayRowByRowSeconds = 0;
    std::size_t lobRows = 0, lobBytes = 0;
    double lobReadSeconds = 0, lobWriteSeconds = 0;
    CopyFigures lobCopy;
    std::vector<LobMemoryFigures> lobMemory; // one huge object, then many large ones

    double scalingRatio() const;
    double peakMegabytes() const;
    double arraySpeedup() const { return delayRowByRowSeconds / delayArraySeconds; }
    double lobRatio() const { return lobWriteSeconds / lobCopy.seconds; }
    // The worst of the lobMemory copies.
    double lobPeakRatio() const;

    std::string render() const;
    std::string summary() const;
    void writeDocument(const std::string &path) const;
};
