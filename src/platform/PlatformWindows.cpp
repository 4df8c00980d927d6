#include "platform/Platform.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace upsconfig::platform {
namespace {

// The nearest errno for the system errors that moving a file into place can end in; the C
// runtime's own calls set errno themselves.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_UNABLE_TO_REMOVE_REPLACED:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        default:
            return EIO;
    }
}

void Describe(const struct _stat64& st, NodeInfo& info) {
    const unsigned type = st.st_mode & _S_IFMT;
    info.kind = type == _S_IFREG   ? NodeKind::Regular
                : type == _S_IFDIR ? NodeKind::Directory
                                   : NodeKind::Other;
    info.permissions = st.st_mode & 07777;
    info.size = static_cast<std::uintmax_t>(st.st_size);
}

bool IsFolder(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The runtime's calls take an int count.
unsigned Chunk(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
}

}  // namespace

bool StatPath(const std::filesystem::path& path, NodeInfo& info) {
    struct _stat64 st {};
    if (::_wstat64(path.c_str(), &st) != 0) return false;
    Describe(st, info);
    return true;
}

bool StatFile(int fd, NodeInfo& info) {
    struct _stat64 st {};
    if (::_fstat64(fd, &st) != 0) return false;
    Describe(st, info);
    return true;
}

int Open(const std::filesystem::path& path, OpenFor purpose) {
    // The runtime refuses a folder with EACCES, which would read as a permission problem.
    if (purpose != OpenFor::CreateNew && IsFolder(path)) {
        errno = EISDIR;
        return -1;
    }
    // Without _O_BINARY every LF written would gain a CR, and CR LF read would lose it.
    constexpr int kCommon = _O_BINARY | _O_NOINHERIT;
    switch (purpose) {
        case OpenFor::Reading:
            return ::_wopen(path.c_str(), _O_RDONLY | kCommon);
        case OpenFor::Writing:
            return ::_wopen(path.c_str(), _O_WRONLY | kCommon);
        case OpenFor::CreateNew:
            return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | kCommon,
                            _S_IREAD | _S_IWRITE);
    }
    errno = EINVAL;
    return -1;
}

bool Close(int fd) { return ::_close(fd) == 0; }

std::ptrdiff_t Read(int fd, char* data, std::size_t size) { return ::_read(fd, data, Chunk(size)); }

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const int n = ::_write(fd, data.data(), Chunk(data.size()));
        if (n < 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool FlushToDisk(int fd) { return ::_commit(fd) == 0; }

bool KeepPermissions(int, const NodeInfo&) { return true; }

bool MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to) {
    // The runtime's rename refuses an existing target. ReplaceFileW swaps the file in and keeps
    // the replaced one's attributes and security, as fchmod keeps its permissions on POSIX; a
    // target that is not there yet is simply moved to.
    if (::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                       nullptr))
        return true;
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        error = ::GetLastError();
    }
    errno = ErrnoOf(error);
    return false;
}

bool RemoveFile(const std::filesystem::path& path) { return ::_wunlink(path.c_str()) == 0; }

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_s(&local, &time);
    return local;
}

long ProcessId() { return static_cast<long>(::_getpid()); }

}  // namespace upsconfig::platform
