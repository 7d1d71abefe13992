#pragma once

// Header only: the test-support library is built without Qt, and only the GUI tests include this.
#include "app/Prompts.h"

#include <QCursor>
#include <QGuiApplication>
#include <QString>
#include <QUrl>

#include <deque>
#include <vector>

namespace testsupport {

// Answers the wizard's questions from a queue and records everything it asked, showed or opened, so a
// test never sits in a modal loop. A question with no answer queued is answered No and counted.
class GuiPrompts : public Prompts {
public:
    enum class Kind { Question, Error, Message, SaveFile };
    struct Asked {
        Kind kind;
        QString title;
        QString text;
        int cursor; // the pointer shape over the box, -1 for the window's own
    };

    std::deque<bool> answers;
    std::vector<Asked> asked;
    std::vector<QUrl> opened;
    std::deque<QString> saveAnswers; // paths for "save as" questions; none queued is a cancel
    std::vector<QString> filters;    // the file filter each "save as" offered
    int unanswered = 0;

    bool askYesNo(QWidget *, const QString &title, const QString &text) override
    {
        asked.push_back({Kind::Question, title, text, pointer()});
        bool answer = false;
        if (answers.empty()) {
            ++unanswered;
        } else {
            answer = answers.front();
            answers.pop_front();
        }
        return answer;
    }
    void showError(QWidget *, const QString &title, const QString &text) override
    {
        asked.push_back({Kind::Error, title, text, pointer()});
    }
    void showMessage(QWidget *, const QString &title, const QString &text) override
    {
        asked.push_back({Kind::Message, title, text, pointer()});
    }
    void openUrl(const QUrl &url) override { opened.push_back(url); }
    QString chooseSaveFile(QWidget *, const QString &title, const QString &suggested, const QString &filter) override
    {
        asked.push_back({Kind::SaveFile, title, suggested, pointer()});
        filters.push_back(filter);
        if (saveAnswers.empty())
            return {};
        QString path = saveAnswers.front();
        saveAnswers.pop_front();
        return path;
    }

    static int pointer()
    {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        return cursor ? cursor->shape() : -1;
    }

    std::vector<Asked> of(Kind kind) const
    {
        std::vector<Asked> out;
        for (const auto &a : asked)
            if (a.kind == kind)
                out.push_back(a);
        return out;
    }
};

} // namespace testsupport
