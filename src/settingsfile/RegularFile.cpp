#include "settingsfile/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace upsconfig {
namespace {

FileText Refused(int error, std::string reason = {}) {
    FileText result;
    result.errorNumber = error;
    result.reason = reason.empty() ? std::strerror(error) : std::move(reason);
    return result;
}

WriteResult WriteFailure(int error, std::string reason = {}) {
    return WriteResult{false, error, reason.empty() ? std::strerror(error) : std::move(reason)};
}

const char* const kNotRegular = "Not a regular file";
const char* const kLink = "a symbolic link, which is not followed";

// Closes a descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

FileText ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes, FinalLink link) {
    // Looked at before opening: opening some devices (a serial port, a tape) already acts.
    struct stat info {};
    const bool follow = link == FinalLink::Follow;
    if ((follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0)
        return Refused(errno);
    if (S_ISLNK(info.st_mode)) return Refused(ELOOP, kLink);
    if (S_ISDIR(info.st_mode)) return Refused(EISDIR);
    if (!S_ISREG(info.st_mode)) return Refused(EINVAL, kNotRegular);

    // O_NONBLOCK: should a pipe have taken the file's place meanwhile, it is not waited on.
    const Descriptor file{
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW))};
    if (file.fd < 0) return errno == ELOOP && !follow ? Refused(ELOOP, kLink) : Refused(errno);
    if (::fstat(file.fd, &info) != 0) return Refused(errno);
    if (!S_ISREG(info.st_mode)) return Refused(EINVAL, kNotRegular);
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) return Refused(EFBIG);

    // One byte more than allowed tells a file that grew since it was looked at.
    FileText result;
    result.text.resize(maxBytes + 1);
    std::size_t size = 0;
    while (size < result.text.size()) {
        const ssize_t n = ::read(file.fd, result.text.data() + size, result.text.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Refused(errno);
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    if (size > maxBytes) return Refused(EFBIG);
    result.text.resize(size);
    result.ok = true;
    return result;
}

WriteResult ReplaceRegularFile(const std::filesystem::path& path, std::string_view text) {
    struct stat existing {};
    const bool exists = ::lstat(path.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return WriteFailure(errno);
    if (exists && S_ISLNK(existing.st_mode)) return WriteFailure(ELOOP, kLink);
    if (exists && S_ISDIR(existing.st_mode)) return WriteFailure(EISDIR);
    if (exists && !S_ISREG(existing.st_mode)) return WriteFailure(EINVAL, kNotRegular);

    // mkstemp creates the name exclusively with mode 0600: a link planted at it fails the
    // creation instead of being written through. A short fixed stem stays within name limits.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string temporary = (folder / ".upsconfig-XXXXXX").string();
    const Descriptor file{::mkstemp(temporary.data())};
    if (file.fd < 0) return WriteFailure(errno);

    bool ok = !exists || ::fchmod(file.fd, existing.st_mode & 07777) == 0;
    for (std::string_view rest = text; ok && !rest.empty();) {
        const ssize_t n = ::write(file.fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        ok = n >= 0;
        if (ok) rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ok = ok && ::fsync(file.fd) == 0;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (ok) return WriteResult{true, 0, {}};
    const int error = errno;
    ::unlink(temporary.c_str());
    return WriteFailure(error);
}

}  // namespace upsconfig
