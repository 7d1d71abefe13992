#pragma once

#include <functional>
#include <memory>
#include <mutex>

class QObject;

// How a piece of work on another thread reaches the window: each call posted runs later on the window's
// thread, in the order posted, unless the mailbox was closed first (the window walked away from the
// work, or is going away). A call that is not run is destroyed on a worker thread, never on the
// window's, so whatever it carries (a session just opened) is closed where waiting costs nothing.
//
// Thread rules: post() from any thread; close() and isClosed() on the receiver's thread. The receiver
// closes its mailboxes before it is destroyed.
class Mailbox : public std::enable_shared_from_this<Mailbox> {
public:
    static std::shared_ptr<Mailbox> create(QObject &receiver);

    void post(std::function<void()> call);
    void close();
    bool isClosed() const;

private:
    explicit Mailbox(QObject &receiver) : m_receiver(&receiver) {}

    mutable std::mutex m_mutex;
    QObject *m_receiver; // null once closed
};
