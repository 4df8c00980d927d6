#include "platform/Platform.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace upsconfig::platform {
namespace {

void Describe(const struct stat& st, NodeInfo& info) {
    info.kind = S_ISREG(st.st_mode)   ? NodeKind::Regular
                : S_ISDIR(st.st_mode) ? NodeKind::Directory
                : S_ISLNK(st.st_mode) ? NodeKind::Link
                                      : NodeKind::Other;
    info.permissions = st.st_mode & 07777;
    info.size = static_cast<std::uintmax_t>(st.st_size);
    info.owner = static_cast<unsigned>(st.st_uid);
}

bool InGroup(gid_t group) {
    if (getegid() == group) return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    return got > 0 &&
           std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

}  // namespace

bool StatPath(const std::filesystem::path& path, NodeInfo& info) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    Describe(st, info);
    return true;
}

bool StatLink(const std::filesystem::path& path, NodeInfo& info) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
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
        case OpenFor::ReadingThisName:
            return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        case OpenFor::Writing:
            return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        case OpenFor::CreateNew:
            return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    errno = EINVAL;
    return -1;
}

int CreateUnique(std::filesystem::path& path) {
    std::string name = path.string();
    const int fd = ::mkstemp(name.data());
    path = name;
    return fd;
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

bool MakeFolder(const std::filesystem::path& path) { return ::mkdir(path.c_str(), 0700) == 0; }

std::optional<NodeAccess> AccessOf(const std::filesystem::path& node) {
    struct stat info {};
    if (::stat(node.c_str(), &info) != 0) return std::nullopt;
    NodeAccess access;
    const passwd* owner = getpwuid(info.st_uid);
    access.owner = owner != nullptr ? owner->pw_name : std::to_string(info.st_uid);
    const group* group = getgrgid(info.st_gid);
    access.group = group != nullptr ? group->gr_name : std::to_string(info.st_gid);
    access.mode = info.st_mode & 07777;
    access.userInGroup = InGroup(info.st_gid);
    access.hasAcl = getxattr(node.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
    return access;
}

bool IsTerminal(Stream stream) {
    const int fd = stream == Stream::Input    ? STDIN_FILENO
                   : stream == Stream::Output ? STDOUT_FILENO
                                              : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

void KeepOutputBytes() {}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return local;
}

long ProcessId() { return static_cast<long>(::getpid()); }

unsigned UserId() { return static_cast<unsigned>(::getuid()); }

}  // namespace upsconfig::platform
