#pragma once

#include <string>
#include <vector>

namespace convert {

// The progress log as the engine sees it: lines are appended, and the last one rewritten in place
// (the "... " line that becomes "...Done", the row counter).
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void append(const std::string &line) = 0;
    virtual void replaceLast(const std::string &line) = 0;
    virtual std::string lastLine() const = 0;
};

// A log kept in memory: for tests, and for callers that print lines once they are final.
class MemoryLog : public LogSink {
public:
    void append(const std::string &line) override { m_lines.push_back(line); }
    void replaceLast(const std::string &line) override
    {
        if (m_lines.empty())
            m_lines.push_back(line);
        else
            m_lines.back() = line;
    }
    std::string lastLine() const override { return m_lines.empty() ? std::string() : m_lines.back(); }
    const std::vector<std::string> &lines() const noexcept { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    std::vector<std::string> m_lines;
};

} // namespace convert
