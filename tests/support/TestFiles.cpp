#include "support/TestFiles.h"

#include <atomic>
#include <random>
#include <stdexcept>

#include "platform/Platform.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#endif

namespace upsconfig::support {

namespace fs = std::filesystem;

#ifdef _WIN32

bool MakeFifo(const fs::path&) { return false; }
std::string WhyNoFifos() { return "Windows has no named pipes among files"; }
bool MakeDeviceNode(const fs::path&) { return false; }
std::string WhyNoDeviceNodes() { return "Windows has no device nodes in folders"; }
std::vector<fs::path> DeviceFiles() { return {"NUL"}; }
std::string WhyNoFileModes() { return "Windows files have no POSIX modes"; }
std::string WhyNoSymlinks() { return "MinGW's library makes no symbolic links (ENOSYS)"; }
std::string WhyReadOnlyFilesAreWritten() { return {}; }
std::string WhyReadOnlyFoldersAreWritten() {
    return "Windows lets a read-only folder take new files";
}
std::string WhyFoldersWithoutSearchAreSearched() { return "Windows folders have no search bit"; }
std::string WhyNoControlCharactersInNames() {
    return "Windows file names hold no control characters";
}
std::string WithFileSizeLimit(std::uintmax_t, const std::function<void()>&) {
    return "Windows has no per-process limit on the size of files";
}

#else

bool MakeFifo(const fs::path& path) { return ::mkfifo(path.c_str(), 0600) == 0; }
std::string WhyNoFifos() { return {}; }
bool MakeDeviceNode(const fs::path& path) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
}
std::string WhyNoDeviceNodes() { return ::geteuid() == 0 ? "" : "only root makes device nodes"; }
std::vector<fs::path> DeviceFiles() { return {"/dev/zero", "/dev/urandom"}; }
std::string WhyNoFileModes() { return {}; }
std::string WhyNoSymlinks() { return {}; }
std::string WhyReadOnlyFilesAreWritten() {
    return ::geteuid() == 0 ? "root writes into read-only files" : "";
}
std::string WhyReadOnlyFoldersAreWritten() {
    return ::geteuid() == 0 ? "root writes into read-only folders" : "";
}
std::string WhyFoldersWithoutSearchAreSearched() {
    return ::geteuid() == 0 ? "root searches any folder" : "";
}
std::string WhyNoControlCharactersInNames() { return {}; }
std::string WithFileSizeLimit(std::uintmax_t bytes, const std::function<void()>& body) {
    rlimit saved{};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0) return "the file-size limit cannot be read";
    // Past the limit a write fails with EFBIG instead of ending the process.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(bytes);
    if (::setrlimit(RLIMIT_FSIZE, &tight) != 0) {
        std::signal(SIGXFSZ, oldHandler);
        return "the file-size limit cannot be set";
    }
    body();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return {};
}

#endif

fs::path UniqueFolder(const std::string& stem) {
    // ctest runs cases side by side, and process ids come round again (quickly under Wine).
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder = fs::temp_directory_path() /
                                (stem + "-" + std::to_string(platform::ProcessId()) + "-" +
                                 std::to_string(counter++) + "-" + std::to_string(random()));
        if (fs::create_directory(folder)) return folder;
    }
    throw std::runtime_error("no new temporary folder for " + stem);
}

void RemoveTree(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return;
    const auto writable = [](const fs::path& p) {
        std::error_code ignored;
        fs::permissions(p, fs::perms::owner_all, fs::perm_options::add, ignored);
    };
    writable(path);
    for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::end(it);
         it.increment(ec))
        writable(it->path());
    fs::remove_all(path, ec);
}

}  // namespace upsconfig::support
