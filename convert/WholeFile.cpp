#include "WholeFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace convert {

namespace {

// The name a file is written under before it takes its own, beside it so that the rename stays
// within one file system.
std::string temporaryName(const std::string &path) { return path + "." + std::to_string(getpid()) + ".part"; }

// Creates the temporary file afresh (never through a link someone placed there); -1 with errno set.
int createTemporary(const std::string &temporary)
{
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(temporary.c_str(), flags, 0666);
    if (fd < 0 && errno == EEXIST && ::unlink(temporary.c_str()) == 0)
        fd = ::open(temporary.c_str(), flags, 0666); // left by a program of this number that was ended
    return fd;
}

bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

void WriteWholeFile(const std::string &path, const std::string &text, const std::string &what)
{
    const std::string temporary = temporaryName(path);
    const int fd = createTemporary(temporary);
    if (fd < 0)
        throw std::runtime_error("Cannot write " + what + " to " + path + ": " + std::strerror(errno));
    bool written = writeAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        throw std::runtime_error("Cannot write " + what + " to " + path + ": " + std::strerror(error));
    }
}

std::string WholeFileProblem(const std::string &path)
{
    const std::string temporary = temporaryName(path);
    const int fd = createTemporary(temporary);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    ::unlink(temporary.c_str());
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return std::strerror(EISDIR);
    return {};
}

} // namespace convert
