#include "settingsfile/RegularFile.h"

#include <cstring>

#include "platform/Platform.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;
using platform::NodeKind;

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

// Closes a descriptor on every way out; Close() earlier where its result matters.
struct Descriptor {
    int fd;
    ~Descriptor() { Close(); }
    bool Close() {
        const bool closed = fd < 0 || platform::Close(fd);
        fd = -1;
        return closed;
    }
};

}  // namespace

FileText ReadRegularFile(const fs::path& path, std::size_t maxBytes, FinalLink link) {
    // Looked at before opening: opening some devices (a serial port, a tape) already acts.
    platform::NodeInfo info;
    const bool follow = link == FinalLink::Follow;
    if (!(follow ? platform::StatPath(path, info) : platform::StatLink(path, info)))
        return Refused(errno);
    if (info.kind == NodeKind::Link) return Refused(ELOOP, kLink);
    if (info.kind == NodeKind::Directory) return Refused(EISDIR);
    if (info.kind != NodeKind::Regular) return Refused(EINVAL, kNotRegular);

    // Should a pipe have taken the file's place meanwhile, it is not waited on.
    const Descriptor file{platform::Open(
        path, follow ? platform::OpenFor::Reading : platform::OpenFor::ReadingThisName)};
    if (file.fd < 0) return errno == ELOOP && !follow ? Refused(ELOOP, kLink) : Refused(errno);
    if (!platform::StatFile(file.fd, info)) return Refused(errno);
    if (info.kind != NodeKind::Regular) return Refused(EINVAL, kNotRegular);
    if (info.size > maxBytes) return Refused(EFBIG);

    // One byte more than allowed tells a file that grew since it was looked at.
    FileText result;
    result.text.resize(maxBytes + 1);
    std::size_t size = 0;
    while (size < result.text.size()) {
        const std::ptrdiff_t n =
            platform::Read(file.fd, result.text.data() + size, result.text.size() - size);
        if (n < 0) return Refused(errno);
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    if (size > maxBytes) return Refused(EFBIG);
    result.text.resize(size);
    result.ok = true;
    return result;
}

WriteResult CreateRegularFile(const fs::path& path, std::string_view text) {
    Descriptor file{platform::Open(path, platform::OpenFor::CreateNew)};
    if (file.fd < 0) return WriteFailure(errno);
    if (platform::WriteAll(file.fd, text) && file.Close()) return WriteResult{true, 0, {}};
    const int error = errno;
    file.Close();
    platform::RemoveFile(path);
    return WriteFailure(error);
}

WriteResult ReplaceRegularFile(const fs::path& path, std::string_view text) {
    platform::NodeInfo existing;
    const bool exists = platform::StatLink(path, existing);
    if (!exists && errno != ENOENT) return WriteFailure(errno);
    if (exists && existing.kind == NodeKind::Link) return WriteFailure(ELOOP, kLink);
    if (exists && existing.kind == NodeKind::Directory) return WriteFailure(EISDIR);
    if (exists && existing.kind != NodeKind::Regular) return WriteFailure(EINVAL, kNotRegular);

    // Created exclusively with mode 0600: a link planted at the name fails the creation instead
    // of being written through. A short fixed stem stays within name limits.
    fs::path temporary =
        (path.has_parent_path() ? path.parent_path() : fs::path(".")) / ".upsconfig-XXXXXX";
    Descriptor file{platform::CreateUnique(temporary)};
    if (file.fd < 0) return WriteFailure(errno);

    bool ok = !exists || platform::KeepPermissions(file.fd, existing);
    ok = ok && platform::WriteAll(file.fd, text) && platform::FlushToDisk(file.fd);
    int error = ok ? 0 : errno;
    // Closed before the move: Windows moves no file that is still open.
    if (!file.Close() && ok) {
        ok = false;
        error = errno;
    }
    if (ok && !platform::MoveIntoPlace(temporary, path)) {
        ok = false;
        error = errno;
    }
    if (ok) return WriteResult{true, 0, {}};
    platform::RemoveFile(temporary);
    return WriteFailure(error);
}

}  // namespace upsconfig
