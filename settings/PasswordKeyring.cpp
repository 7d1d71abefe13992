#include "settings/PasswordKeyring.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <clocale>
#include <memory>
#include <string>
#include <utility>

namespace {

// Requests given up on that have not finished yet. Requests are started and finished on the thread
// that runs Qt's event loop, so a plain counter serves.
int g_unfinished = 0;

// QtKeychain's requests run in Qt's event loop. The window has its application object; a command-line
// program has none, so one exists while its requests run. Qt sets the C library's locale from the
// environment when it starts, which would change how the program prints numbers: that is put back.
class EventLoopHost {
public:
    EventLoopHost()
    {
        if (QCoreApplication::instance())
            return;
        const char *current = std::setlocale(LC_ALL, nullptr);
        const std::string locale = current ? current : "C";
        m_application = std::make_unique<QCoreApplication>(s_argc, s_argv);
        std::setlocale(LC_ALL, locale.c_str());
    }

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "morvane";
    static inline char *s_argv[] = {s_name, nullptr};
    std::unique_ptr<QCoreApplication> m_application;
};

QString describe(QKeychain::Error error)
{
    switch (error) {
    case QKeychain::AccessDeniedByUser:
        return QStringLiteral("access was refused by the user");
    case QKeychain::AccessDenied:
        return QStringLiteral("access was refused");
    case QKeychain::NoBackendAvailable:
        return QStringLiteral("no keyring service is available");
    default:
        return QStringLiteral("the keyring reported an error");
    }
}

PasswordKeyring::Reply replyOf(const QKeychain::Job &job)
{
    PasswordKeyring::Reply reply;
    switch (job.error()) {
    case QKeychain::NoError:
        reply.answered = true;
        if (const auto *read = qobject_cast<const QKeychain::ReadPasswordJob *>(&job)) {
            reply.found = true;
            reply.password = read->textData();
        }
        break;
    case QKeychain::EntryNotFound:
        // Reading or removing an entry that is not there is an answer, not a failure.
        reply.answered = true;
        break;
    default:
        reply.problem = job.errorString().isEmpty() ? describe(job.error()) : job.errorString();
        break;
    }
    return reply;
}

// Starts the jobs together and waits for all of them, or until `wait` has passed. Each job deletes
// itself once it has finished, also one that finishes after the wait.
std::vector<PasswordKeyring::Reply> run(const std::vector<QKeychain::Job *> &jobs, std::chrono::milliseconds wait)
{
    std::vector<PasswordKeyring::Reply> replies(jobs.size());
    if (jobs.empty())
        return replies;
    if (g_unfinished > 0) {
        for (QKeychain::Job *job : jobs)
            delete job; // never started
        for (auto &reply : replies)
            reply.problem = QStringLiteral("an earlier request to the keyring is still unanswered");
        return replies;
    }

    EventLoopHost host;
    QEventLoop loop;
    std::vector<bool> finished(jobs.size(), false);
    std::size_t pending = jobs.size();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        // Connected through the loop, which ends with this call: a job finishing later reaches none of it.
        QObject::connect(jobs[i], &QKeychain::Job::finished, &loop, [&, i](QKeychain::Job *job) {
            replies[i] = replyOf(*job);
            finished[i] = true;
            if (--pending == 0)
                loop.quit();
        });
        jobs[i]->start();
    }
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    // Paints and timers go on; what the user does to the window waits, as for any modal step.
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    const double seconds = std::chrono::duration<double>(wait).count();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (finished[i])
            continue;
        replies[i].problem = QStringLiteral("no answer within %1 seconds").arg(seconds);
        ++g_unfinished;
        QObject::connect(jobs[i], &QKeychain::Job::finished, jobs[i], [] { --g_unfinished; });
    }
    return replies;
}

} // namespace

PasswordKeyring::PasswordKeyring(QString service, std::chrono::milliseconds wait)
    : m_service(std::move(service)), m_wait(wait)
{
}

std::vector<PasswordKeyring::Reply> PasswordKeyring::read(const QStringList &keys) const
{
    std::vector<QKeychain::Job *> jobs;
    for (const QString &key : keys) {
        auto *job = new QKeychain::ReadPasswordJob(m_service);
        job->setKey(key);
        jobs.push_back(job);
    }
    return run(jobs, m_wait);
}

std::vector<PasswordKeyring::Reply> PasswordKeyring::write(const std::vector<Entry> &entries) const
{
    std::vector<QKeychain::Job *> jobs;
    for (const Entry &entry : entries) {
        QKeychain::Job *job = nullptr;
        if (entry.password.isEmpty()) {
            job = new QKeychain::DeletePasswordJob(m_service);
        } else {
            auto *write = new QKeychain::WritePasswordJob(m_service);
            write->setTextData(entry.password);
            job = write;
        }
        // Where no keyring answers, the settings store decides where a password goes, not QtKeychain.
        job->setInsecureFallback(false);
        job->setKey(entry.key);
        jobs.push_back(job);
    }
    return run(jobs, m_wait);
}
