#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace upsconfig::support {

// What the files of the system under test can be made to do, so that one file test serves POSIX
// and Windows; each Why... gives the reason to skip, empty when the case can be set up here.

// A named pipe in a folder; false where pipes have no place among files (Windows).
bool MakeFifo(const std::filesystem::path& path);
std::string WhyNoFifos();
// A character device node (the null device's numbers) in a folder; only root makes one.
bool MakeDeviceNode(const std::filesystem::path& path);
std::string WhyNoDeviceNodes();
// Devices that read like files but are none.
std::vector<std::filesystem::path> DeviceFiles();
std::string WhyNoFileModes();
std::string WhyNoSymlinks();
std::string WhyReadOnlyFilesAreWritten();
std::string WhyReadOnlyFoldersAreWritten();
std::string WhyFoldersWithoutSearchAreSearched();
std::string WhyNoControlCharactersInNames();
// Runs body with writes limited to bytes per file, as a full disk would stop them; the reason
// it cannot, without running body, where there is no such limit.
std::string WithFileSizeLimit(std::uintmax_t bytes, const std::function<void()>& body);
// Makes a new folder of that stem in the temporary folder that no other test process shares.
std::filesystem::path UniqueFolder(const std::string& stem);
// Removes a test folder, also when a test left a file or folder in it read-only.
void RemoveTree(const std::filesystem::path& path);

}  // namespace upsconfig::support
