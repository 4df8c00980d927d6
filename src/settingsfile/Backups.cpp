#include "settingsfile/Backups.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace upsconfig {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSettingsExtension = ".kvr";
constexpr const char* kInfoExtension = ".info";

WriteResult Failed(int error) { return WriteResult{false, error, std::strerror(error)}; }

// "20261208-221501-007": sorts in time order, the counter telling apart writes of one second.
std::string Stem(const std::tm& t, int counter) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%03d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, counter);
    return text;
}

std::string TimeOfStem(const std::string& stem) {
    if (stem.size() < 15) return stem;
    return stem.substr(0, 4) + "-" + stem.substr(4, 2) + "-" + stem.substr(6, 2) + " " +
           stem.substr(9, 2) + ":" + stem.substr(11, 2) + ":" + stem.substr(13, 2);
}

std::vector<fs::path> SettingsFilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == kSettingsExtension) files.push_back(entry.path());
    }
    std::ranges::sort(files, std::greater<>());
    return files;
}

}  // namespace

std::optional<fs::path> BackupRoot(const char* xdgDataHome, const char* home) {
    fs::path data;
    if (xdgDataHome != nullptr && fs::path(xdgDataHome).is_absolute()) {
        data = xdgDataHome;
    } else if (home != nullptr && *home != '\0') {
        data = fs::path(home) / ".local" / "share";
    } else {
        return std::nullopt;
    }
    return data / "upsconfig" / "backups";
}

std::optional<fs::path> BackupRootFromEnvironment() {
    return BackupRoot(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::string BackupUnitName(int modelCode, const std::string& serial) {
    return serial.empty() ? "model-" + std::to_string(modelCode) : serial;
}

WriteResult SaveBackup(const fs::path& root, const std::string& unit, const SettingsImage& asRead,
                       const std::string& changed, const LocalClock& clock, fs::path* kept) {
    const fs::path folder = root / unit;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return Failed(error.value());

    const std::tm now = clock ? clock() : SystemLocalTime();
    int counter = 0;
    while (fs::exists(folder / (Stem(now, counter) + kSettingsExtension)))
        ++counter;
    const std::string stem = Stem(now, counter);

    // The note first: a settings file without one would be listed without its model.
    const fs::path info = folder / (stem + kInfoExtension);
    {
        std::ofstream out(info, std::ios::binary | std::ios::trunc);
        out << "model " << static_cast<int>(GetField(asRead, FieldId::bModelCode)) << "\n"
            << "changed " << changed << "\n";
        if (!out.flush()) return Failed(errno != 0 ? errno : EIO);
    }
    const fs::path file = folder / (stem + kSettingsExtension);
    const WriteResult written = WriteSettingsFile(file, asRead, [now] { return now; });
    if (!written) {
        fs::remove(info, error);
        return written;
    }
    if (kept != nullptr) *kept = file;

    const std::vector<fs::path> files = SettingsFilesIn(folder);
    for (std::size_t i = kMaxBackups; i < files.size(); ++i) {
        fs::remove(files[i], error);
        fs::remove(fs::path(files[i]).replace_extension(kInfoExtension), error);
    }
    return written;
}

std::vector<BackupEntry> ListBackups(const fs::path& root) {
    std::vector<BackupEntry> entries;
    std::error_code error;
    for (const auto& unit : fs::directory_iterator(root, error)) {
        if (!unit.is_directory(error)) continue;
        for (const fs::path& file : SettingsFilesIn(unit.path())) {
            BackupEntry entry;
            entry.file = file;
            entry.time = TimeOfStem(file.stem().string());
            entry.unit = unit.path().filename().string();
            std::ifstream in(fs::path(file).replace_extension(kInfoExtension));
            for (std::string line; std::getline(in, line);) {
                std::istringstream words(line);
                std::string word;
                words >> word;
                if (word == "model") words >> entry.modelCode;
                if (word == "changed") std::getline(words >> std::ws, entry.changed);
            }
            entries.push_back(std::move(entry));
        }
    }
    std::ranges::sort(entries, [](const BackupEntry& a, const BackupEntry& b) {
        return a.file.filename() > b.file.filename();
    });
    return entries;
}

}  // namespace upsconfig
