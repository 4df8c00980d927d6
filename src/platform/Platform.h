#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string_view>

// The few operating-system calls of the core whose spelling differs between POSIX and Windows,
// with one meaning everywhere. Each fails as its POSIX namesake does, with errno set (on Windows
// a system error is translated to the nearest errno), so callers and the texts they show are the
// same on every platform. File descriptors are those of the C runtime.
namespace upsconfig::platform {

enum class NodeKind { Regular, Directory, Other };

struct NodeInfo {
    NodeKind kind = NodeKind::Other;
    unsigned permissions = 0;  // the mode's permission bits (07777)
    std::uintmax_t size = 0;
};

// What is at path (following links); false with ENOENT when nothing is there.
bool StatPath(const std::filesystem::path& path, NodeInfo& info);
bool StatFile(int fd, NodeInfo& info);

enum class OpenFor {
    Reading,    // never waits for a writer: a pipe or device opens at once
    Writing,    // an existing file, not truncated
    CreateNew,  // EEXIST when anything is there; 0666 less the umask
};

// Binary (no line-end translation) and not inherited by programs started later. Returns the
// descriptor, or -1. A folder may open for reading (StatFile then tells); where it does not,
// the failure is EISDIR, never a permission error.
int Open(const std::filesystem::path& path, OpenFor purpose);
bool Close(int fd);
// Bytes read (0 at the end), or -1; interrupted calls are resumed.
std::ptrdiff_t Read(int fd, char* data, std::size_t size);
// All of data, resuming after short writes and interruptions.
bool WriteAll(int fd, std::string_view data);
// Returns once the file's data is on the disk.
bool FlushToDisk(int fd);
// Gives the new file fd the permissions of the file it is to replace (on Windows nothing to do:
// MoveIntoPlace keeps the replaced file's attributes and security itself).
bool KeepPermissions(int fd, const NodeInfo& replaced);
// Puts the file from in the place of to in one step, also over an existing file.
bool MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file; false with errno when it could not.
bool RemoveFile(const std::filesystem::path& path);

std::tm LocalTime(std::time_t time);
long ProcessId();

}  // namespace upsconfig::platform
