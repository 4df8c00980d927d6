#include "platform/Platform.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

namespace upsconfig::platform {
namespace {

// The nearest errno for the system errors that looking at a path or moving a file into place
// can end in; the C runtime's own calls set errno themselves.
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
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_CANT_RESOLVE_FILENAME:
            return ELOOP;
        default:
            return EIO;
    }
}

// The reparse points that are links: a symbolic link and a junction. Others (a file kept in the
// cloud, a deduplicated one) are the file itself.
bool IsLinkTag(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return ::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.ReparseTag == IO_REPARSE_TAG_SYMLINK ||
            tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT);
}

bool Describe(HANDLE handle, NodeInfo& info) {
    info = NodeInfo{};
    info.permissions = 0666;
    // The NUL device, a console or a pipe: neither a file nor a folder.
    if (::GetFileType(handle) != FILE_TYPE_DISK) return true;
    BY_HANDLE_FILE_INFORMATION file{};
    if (!::GetFileInformationByHandle(handle, &file)) {
        errno = ErrnoOf(::GetLastError());
        return false;
    }
    const DWORD attributes = file.dwFileAttributes;
    info.kind =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? NodeKind::Directory : NodeKind::Regular;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLinkTag(handle))
        info.kind = NodeKind::Link;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) info.permissions = 0444;
    info.size = (static_cast<std::uintmax_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
    return true;
}

// Looks at what is at path through a handle without access rights: unlike the runtime's stat,
// which does not find the NUL device, it tells devices apart, and it opens nothing for reading
// or writing. A link itself is looked at when followLink is false.
bool DescribePath(const std::filesystem::path& path, bool followLink, NodeInfo& info) {
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;  // without it no folder opens
    if (!followLink) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    const HANDLE handle =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(::GetLastError());
        return false;
    }
    const bool described = Describe(handle, info);
    ::CloseHandle(handle);
    return described;
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
    return DescribePath(path, true, info);
}

bool StatLink(const std::filesystem::path& path, NodeInfo& info) {
    return DescribePath(path, false, info);
}

bool StatFile(int fd, NodeInfo& info) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE) return false;  // errno is EBADF
    return Describe(handle, info);
}

// Without _O_BINARY every LF written would gain a CR, and CR LF read would lose it.
constexpr int kCommon = _O_BINARY | _O_NOINHERIT;

int Open(const std::filesystem::path& path, OpenFor purpose) {
    // The runtime refuses a folder with EACCES, which would read as a permission problem.
    if (purpose != OpenFor::CreateNew && IsFolder(path)) {
        errno = EISDIR;
        return -1;
    }
    if (purpose == OpenFor::ReadingThisName) {
        NodeInfo info;
        if (StatLink(path, info) && info.kind == NodeKind::Link) {
            errno = ELOOP;
            return -1;
        }
    }
    switch (purpose) {
        case OpenFor::Reading:
        case OpenFor::ReadingThisName:
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

int CreateUnique(std::filesystem::path& path) {
    static std::atomic<unsigned long long> counter{0};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::wstring pattern = path.native();
    const std::size_t at = pattern.size() - std::min<std::size_t>(pattern.size(), 6);
    if (pattern.compare(at, std::wstring::npos, L"XXXXXX") != 0) {
        errno = EINVAL;
        return -1;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Names others can hardly foresee; a taken one only costs another try.
        unsigned long long seed = (::GetTickCount64() << 16) ^
                                  (static_cast<unsigned long long>(::_getpid()) << 40) ^
                                  (++counter * 0x9E3779B97F4A7C15ull);
        std::wstring name = pattern;
        for (std::size_t i = at; i < name.size(); ++i, seed /= 36)
            name[i] = static_cast<wchar_t>(kLetters[seed % 36]);
        // _O_EXCL: a file, folder or link already at the name fails the call.
        const int fd =
            ::_wopen(name.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | kCommon, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            path = name;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
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

bool MakeFolder(const std::filesystem::path& path) { return ::_wmkdir(path.c_str()) == 0; }

std::optional<NodeAccess> AccessOf(const std::filesystem::path&) { return std::nullopt; }

bool IsTerminal(Stream stream) {
    const DWORD which = stream == Stream::Input    ? STD_INPUT_HANDLE
                        : stream == Stream::Output ? STD_OUTPUT_HANDLE
                                                   : STD_ERROR_HANDLE;
    // The runtime's isatty also says yes to the NUL device; only a console has a mode.
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}

void KeepOutputBytes() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_s(&local, &time);
    return local;
}

long ProcessId() { return static_cast<long>(::_getpid()); }

unsigned UserId() { return 0; }

}  // namespace upsconfig::platform
