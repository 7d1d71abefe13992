#pragma once

#include "convert/LogSink.h"

#include <cstdio>
#include <string>

namespace cli {

// Prints the progress log line by line once a line is final: the last line may still be rewritten
// (the "... " that becomes "...Done", the row counter), so it is held until the next one arrives.
class PrintingLog : public convert::LogSink {
public:
    explicit PrintingLog(std::FILE *out) : m_out(out) {}
    ~PrintingLog() override { flush(); }

    void append(const std::string &line) override
    {
        flush();
        m_last = line;
        m_hasLast = true;
    }
    void replaceLast(const std::string &line) override
    {
        m_last = line;
        m_hasLast = true;
    }
    std::string lastLine() const override { return m_hasLast ? m_last : std::string(); }

    void flush()
    {
        if (!m_hasLast)
            return;
        std::fprintf(m_out, "%s\n", m_last.c_str());
        std::fflush(m_out);
        m_hasLast = false;
    }

private:
    std::FILE *m_out;
    std::string m_last;
    bool m_hasLast = false;
};

} // namespace cli
