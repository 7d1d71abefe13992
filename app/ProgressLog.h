#pragma once

#include "convert/LogSink.h"

#include <QStringList>

class QPlainTextEdit;

// The progress log page as the engine sees it. The text area is the only store of the lines; the line
// count is kept here because an empty document and a document holding one empty line look alike.
class ProgressLog : public convert::LogSink {
public:
    explicit ProgressLog(QPlainTextEdit &view);

    void append(const std::string &line) override;
    void replaceLast(const std::string &line) override;
    std::string lastLine() const override;

    void clear();
    int lineCount() const noexcept { return m_lines; }
    QStringList lines() const;

private:
    QPlainTextEdit &m_view;
    int m_lines = 0;
};
