#include "app/ProgressLog.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

ProgressLog::ProgressLog(QPlainTextEdit &view) : m_view(view) {}

void ProgressLog::append(const std::string &line)
{
    QTextCursor cursor(m_view.document());
    cursor.movePosition(QTextCursor::End);
    if (m_lines > 0)
        cursor.insertBlock();
    cursor.insertText(QString::fromStdString(line));
    ++m_lines;
    keepNewestInSight();
}

void ProgressLog::replaceLast(const std::string &line)
{
    if (m_lines == 0) {
        append(line);
        return;
    }
    QTextCursor cursor(m_view.document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(QString::fromStdString(line));
}

void ProgressLog::show(const LogFeed::Changes &changes)
{
    if (changes.rewrittenLast)
        replaceLast(*changes.rewrittenLast);
    for (const std::string &line : changes.added)
        append(line);
}

void ProgressLog::keepNewestInSight()
{
    // As a user watching a long run expects.
    m_view.verticalScrollBar()->setValue(m_view.verticalScrollBar()->maximum());
}

std::optional<std::string> ProgressLog::lastLine() const
{
    if (m_lines == 0)
        return std::nullopt;
    return m_view.document()->lastBlock().text().toStdString();
}

void ProgressLog::clear()
{
    m_view.clear();
    m_lines = 0;
}

QStringList ProgressLog::lines() const
{
    QStringList out;
    if (m_lines == 0)
        return out;
    for (QTextBlock block = m_view.document()->begin(); block.isValid(); block = block.next())
        out << block.text();
    return out;
}
