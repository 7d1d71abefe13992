#include "app/Mailbox.h"

#include "app/WorkerThreads.h"

#include <QMetaObject>
#include <QObject>

std::shared_ptr<Mailbox> Mailbox::create(QObject &receiver) { return std::shared_ptr<Mailbox>(new Mailbox(receiver)); }

void Mailbox::post(std::function<void()> call)
{
    std::unique_lock lock(m_mutex);
    if (!m_receiver) {
        lock.unlock();
        return; // destroyed here, on the poster's thread
    }
    // Under the lock, so a close() on the receiver's thread cannot come between the test and the post.
    QMetaObject::invokeMethod(
        m_receiver,
        [self = shared_from_this(), call = std::move(call)]() mutable {
            if (!self->isClosed())
                call();
            else
                workerthreads::start([dropped = std::move(call)] {});
        },
        Qt::QueuedConnection);
}

void Mailbox::close()
{
    const std::lock_guard lock(m_mutex);
    m_receiver = nullptr;
}

bool Mailbox::isClosed() const
{
    const std::lock_guard lock(m_mutex);
    return m_receiver == nullptr;
}
