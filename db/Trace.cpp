#include "Trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace db {

namespace {

struct TraceFile {
    std::mutex mutex;
    std::FILE *file = nullptr;

    TraceFile()
    {
        if (const char *path = std::getenv("MORVANE_TRACE"); path && *path)
            file = std::fopen(path, "a");
    }
    ~TraceFile()
    {
        if (file)
            std::fclose(file);
    }
};

TraceFile &traceFile()
{
    static TraceFile trace; // the variable is read once, at the first use
    return trace;
}

} // namespace

bool Trace::enabled() noexcept { return traceFile().file != nullptr; }

void Trace::write(std::string_view source, std::string_view text) noexcept
{
    TraceFile &trace = traceFile();
    if (!trace.file)
        return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    std::string line;
    line.reserve(text.size() + 48);
    for (char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else
            line += c;
    }
    std::lock_guard lock(trace.mutex);
    std::fprintf(trace.file, "%s.%03d %.*s: %s\n", stamp, static_cast<int>(millis), static_cast<int>(source.size()),
                 source.data(), line.c_str());
    std::fflush(trace.file);
}

} // namespace db
