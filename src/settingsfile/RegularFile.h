#pragma once

#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "settingsfile/SettingsFile.h"

namespace upsconfig {

// Small files of our own (settings files, notes beside backups, the simulated unit's state) are
// read and replaced only as regular files: a pipe would hold the program until someone writes
// into it, a device such as /dev/zero never ends, and renaming over a device node replaces the
// node itself.

enum class FinalLink {
    Follow,  // a file the user names, which may well be a link to the real one
    Refuse,  // a file at a name others could plant a link at
};

struct FileText {
    bool ok = false;
    int errorNumber = 0;  // errno of the failing step; ENOENT: nothing is there
    std::string reason;   // strerror-style text when !ok
    std::string text;
    bool Missing() const { return errorNumber == ENOENT; }
};

// Reads the whole file when it is a regular file of at most maxBytes, without waiting on it.
// Refusals: EISDIR (a folder), EINVAL "Not a regular file", EFBIG (larger than maxBytes, also
// when it grew while being read), ELOOP (a final symbolic link, with FinalLink::Refuse).
FileText ReadRegularFile(const std::filesystem::path& path, std::size_t maxBytes,
                         FinalLink link = FinalLink::Follow);

// Replaces the file at path as a whole, or leaves it as it was: the text goes to a temporary
// file created exclusively beside it (never through a link), which then takes its place. Only
// a regular file is replaced (not a link, folder, pipe or device); a new file gets mode 0600,
// an existing one keeps its mode.
WriteResult ReplaceRegularFile(const std::filesystem::path& path, std::string_view text);

// Creates a file that is not there yet with the text: EEXIST when anything is at the name, a
// link too, so nothing is ever written through one.
WriteResult CreateRegularFile(const std::filesystem::path& path, std::string_view text);

}  // namespace upsconfig
