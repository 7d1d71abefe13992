#pragma once

#include "app/LogFeed.h"

#include <QStringList>

#include <optional>
#include <string>

class QPlainTextEdit;

// A text area that shows a log: the progress log page, and the check's text. The text area is the only
// store of the lines; the line count is kept here because an empty document and a document holding one
// empty line look alike. The engine never writes here: it writes to a LogFeed, whose changes the
// window shows.
//
// Thread rules: the window's thread only.
class ProgressLog {
public:
    explicit ProgressLog(QPlainTextEdit &view);

    void append(const std::string &line);
    void replaceLast(const std::string &line);
    // What a feed gathered since the window last looked.
    void show(const LogFeed::Changes &changes);

    // The last line, nothing while the log is empty: where a feed starts.
    std::optional<std::string> lastLine() const;
    void clear();
    int lineCount() const noexcept { return m_lines; }
    QStringList lines() const;

private:
    void keepNewestInSight();

    QPlainTextEdit &m_view;
    int m_lines = 0;
};
