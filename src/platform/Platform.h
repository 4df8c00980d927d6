#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The few operating-system calls of the core whose spelling differs between POSIX and Windows,
// with one meaning everywhere. Each fails as its POSIX namesake does, with errno set (on Windows
// a system error is translated to the nearest errno), so callers and the texts they show are the
// same on every platform. File descriptors are those of the C runtime, so that further calls on
// an open file (a lock, say) can join here.
namespace upsconfig::platform {

// Which rules a user's folders and a unit's access follow. Callers take kSystem; tests name
// the other one to check its rules on any machine.
enum class System { Posix, Windows };
#ifdef _WIN32
inline constexpr System kSystem = System::Windows;
#else
inline constexpr System kSystem = System::Posix;
#endif

// An environment variable by name, nullopt when unset: the process's own, or a test's.
using VariableLookup = std::function<std::optional<std::string>(const std::string&)>;
std::optional<std::string> ProcessVariable(const std::string& name);

// The user's own data folder: on Windows %LOCALAPPDATA%; elsewhere XDG_DATA_HOME, else
// $HOME/.local/share. nullopt when the variable that decides is no absolute path: a relative one
// would put the data below whatever folder the program happens to run in.
std::optional<std::filesystem::path> DataHome(const VariableLookup& variable,
                                              System system = kSystem);
// Why DataHome found none, in the variables' names: "neither XDG_DATA_HOME nor HOME is ...".
const char* WhyNoDataHome(System system = kSystem);

enum class NodeKind { Regular, Directory, Link, Other };

struct NodeInfo {
    NodeKind kind = NodeKind::Other;
    unsigned permissions = 0;  // the mode's permission bits (07777); on Windows 0666 or 0444
    std::uintmax_t size = 0;
    unsigned owner = 0;  // the owning user's id; 0 on Windows, which has none
};

// What is at path, following links; false with ENOENT when nothing is there. A device or pipe
// is NodeKind::Other, and looking at one does not open it for reading or writing.
bool StatPath(const std::filesystem::path& path, NodeInfo& info);
// The same, but a final symbolic link (on Windows also a junction) is NodeKind::Link.
bool StatLink(const std::filesystem::path& path, NodeInfo& info);
bool StatFile(int fd, NodeInfo& info);

enum class OpenFor {
    Reading,          // never waits for a writer: a pipe or device opens at once
    ReadingThisName,  // the same, but ELOOP when the final name is a symbolic link
    Writing,          // an existing file, not truncated
    CreateNew,        // EEXIST when anything is there; 0666 less the umask
};

// Binary (no line-end translation) and not inherited by programs started later. Returns the
// descriptor, or -1. A folder may open for reading (StatFile then tells); where it does not,
// the failure is EISDIR, never a permission error.
int Open(const std::filesystem::path& path, OpenFor purpose);
// Creates a new file exclusively that only its owner may read and write (0600), at a name made
// from path by replacing the "XXXXXX" it ends in; path then holds that name. Never writes
// through a link planted at the name. Returns the descriptor, or -1.
int CreateUnique(std::filesystem::path& path);
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
// Puts the closed file from in the place of to in one step, also over an existing file.
bool MoveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes a file; false with errno when it could not.
bool RemoveFile(const std::filesystem::path& path);
// Makes one folder that only its owner may enter (0700; on Windows the parent's access holds);
// false with errno (EEXIST when something is there).
bool MakeFolder(const std::filesystem::path& path);

// Who may open a device node, where the system says so by owner, group and mode.
struct NodeAccess {
    std::string owner;
    std::string group;
    unsigned mode = 0;         // permission bits
    bool userInGroup = false;  // this process's user is a member of the node's group
    bool hasAcl = false;       // an access list grants more (how the seat rule works)
};
// nullopt when the node cannot be examined (not there, or not this user's to look at), and on
// Windows, whose devices carry no such modes.
std::optional<NodeAccess> AccessOf(const std::filesystem::path& node);

enum class Stream { Input, Output, Error };
// Whether the standard stream is a terminal (on Windows a console; the NUL device is none).
bool IsTerminal(Stream stream);
// Standard output and error pass bytes as they are: on Windows the runtime would otherwise
// write CR LF for every LF, and a settings file already ends its lines in CR LF.
void KeepOutputBytes();

std::tm LocalTime(std::time_t time);
long ProcessId();
// This process's user id; 0 on Windows.
unsigned UserId();

}  // namespace upsconfig::platform
