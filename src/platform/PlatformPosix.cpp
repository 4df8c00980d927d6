#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace upsconfig::platform {
namespace {

void Describe(const struct stat& st, NodeInfo& info) {
    info.kind = S_ISREG(st.st_mode)   ? NodeKind::Regular
                : S_ISDIR(st.st_mode) ? NodeKind::Directory
                                      : NodeKind::Other;
    info.permissions = st.st_mode & 07777;
    info.size = static_cast<std::uintmax_t>(st.st_size);
}

}  // namespace

bool StatPath(const std::filesystem::path& path, NodeInfo& info) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    Describe(st, info);
    return true;
}

bool StatFile(int fd, NodeInfo& info) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    Describe(st, info);
    return true;
}

int Open(const std::filesystem::path& path, OpenFor purpose) {
    switch (purpose) {
        case OpenFor::Reading:
            // Without O_NONBLOCK a pipe would hold the caller until something writes into it.
            return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        case OpenFor::Writing:
            return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        case OpenFor::CreateNew:
            return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    errno = EINVAL;
    return -1;
}

bool Close(int fd) { return ::close(fd) == 0; }

std::ptrdiff_t Read(int fd, char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, data, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool FlushToDisk(int fd) { return ::fsync(fd) == 0; }

bool KeepPermissions(int fd, const NodeInfo& replaced) {
    return ::fchmod(fd, replaced.permissions) == 0;
}

bool MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::filesystem::path& path) { return ::unlink(path.c_str()) == 0; }

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return local;
}

long ProcessId() { return static_cast<long>(::getpid()); }

}  // namespace upsconfig::platform
