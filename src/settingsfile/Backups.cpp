#include "settingsfile/Backups.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <system_error>
#include <utility>

#include "settingsfile/RegularFile.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSettingsExtension = ".kvr";
constexpr const char* kInfoExtension = ".info";
constexpr const char* kSimulatedPrefix = "sim-";
constexpr int kMaxCounter = 999;  // writes within one second; three digits keep the name order
constexpr std::size_t kMaxSerialInName = 96;
constexpr std::size_t kMaxInfoBytes = 4096;

WriteResult Failed(int error) { return WriteResult{false, error, std::strerror(error)}; }

bool IsDigits(std::string_view text, std::size_t count) {
    return text.size() == count && std::ranges::all_of(text, [](char c) {
               return std::isdigit(static_cast<unsigned char>(c)) != 0;
           });
}

// Bytes of a serial that go into a folder name as they are.
bool KeptAsIs(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' || c == '.';
}

// "20261208-221501-007": sorts in time order, the counter telling apart writes of one second.
std::string Stem(const std::tm& t, int counter) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d-%03d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, counter);
    return text;
}

bool IsStem(std::string_view stem) {
    return stem.size() == 19 && IsDigits(stem.substr(0, 8), 8) && stem[8] == '-' &&
           IsDigits(stem.substr(9, 6), 6) && stem[15] == '-' && IsDigits(stem.substr(16), 3);
}

// A name BackupUnitName can give; a folder of any other name is not ours.
bool IsUnitName(std::string_view name) {
    if (name.starts_with(kSimulatedPrefix)) name.remove_prefix(std::strlen(kSimulatedPrefix));
    if (!name.starts_with("model-")) return false;
    name.remove_prefix(6);
    const std::size_t digits = std::min(name.find('-'), name.size());
    if (digits == 0 || digits > 3 || !IsDigits(name.substr(0, digits), digits)) return false;
    name.remove_prefix(digits);
    if (name.empty()) return true;
    return name.size() > 1 && std::ranges::all_of(name.substr(1), [](char c) {
               return KeptAsIs(c) || c == '%' || c == '~';
           });
}

std::string TimeOfStem(const std::string& stem) {
    return stem.substr(0, 4) + "-" + stem.substr(4, 2) + "-" + stem.substr(6, 2) + " " +
           stem.substr(9, 2) + ":" + stem.substr(11, 2) + ":" + stem.substr(13, 2);
}

// What a planted note could hold that a terminal would act on becomes '?'.
std::string Printable(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) c = '?';
    }
    return text;
}

// The backups in the folder, newest first; `error` set when the folder could not be read.
std::vector<fs::path> SettingsFilesIn(const fs::path& folder, std::error_code& error) {
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() == kSettingsExtension && IsStem(path.stem().string()))
            files.push_back(path);
    }
    std::ranges::sort(files, std::greater<>());
    return files;
}

}  // namespace

std::optional<fs::path> BackupRoot(const platform::VariableLookup& variable,
                                   platform::System system) {
    const auto data = platform::DataHome(variable, system);
    if (!data) return std::nullopt;
    return *data / "upsconfig" / "backups";
}

std::optional<fs::path> BackupRootFromEnvironment() {
    return BackupRoot(platform::ProcessVariable);
}

std::string SerialInName(const std::string& serial) {
    std::string kept;
    for (const char c : serial) {
        if (KeptAsIs(c)) {
            kept.push_back(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            kept += escaped;
        }
    }
    // Within the name limit of the file system, and still one name per serial (FNV-1a).
    if (kept.size() > kMaxSerialInName) {
        std::uint64_t hash = 14695981039346656037ull;
        for (const char c : serial)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        char tail[24];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
        kept = kept.substr(0, kMaxSerialInName - 17) + tail;
    }
    return kept;
}

std::string BackupUnitName(int modelCode, const std::string& serial, bool simulated) {
    std::string name = (simulated ? kSimulatedPrefix : "") + ("model-" + std::to_string(modelCode));
    if (serial.empty()) return name;
    return name + "-" + SerialInName(serial);
}

WriteResult SaveBackup(const fs::path& root, const std::string& unit, const SettingsImage& asRead,
                       const std::string& changed, const LocalClock& clock, fs::path* kept) {
    const fs::path folder = root / unit;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return Failed(error.value());

    const std::tm now = clock ? clock() : SystemLocalTime();
    int counter = 0;
    // Whatever has the name of the file or its note, even a link that leads nowhere, keeps it.
    const auto taken = [&](const std::string& stem) {
        for (const char* extension : {kSettingsExtension, kInfoExtension}) {
            const fs::file_status status = fs::symlink_status(folder / (stem + extension), error);
            if (status.type() != fs::file_type::not_found) return true;
        }
        error.clear();
        return false;
    };
    for (; taken(Stem(now, counter)); ++counter) {
        if (error) return Failed(error.value());
        if (counter == kMaxCounter) return Failed(EEXIST);
    }
    const std::string stem = Stem(now, counter);

    // The note first: a settings file without one would be listed without its model.
    const fs::path info = folder / (stem + kInfoExtension);
    const WriteResult noted =
        CreateRegularFile(info, "model " + std::to_string(GetField(asRead, FieldId::bModelCode)) +
                                    "\nchanged " + changed + "\n");
    if (!noted) return noted;
    const fs::path file = folder / (stem + kSettingsExtension);
    const WriteResult written = WriteSettingsFile(file, asRead, [now] { return now; });
    if (!written) {
        fs::remove(info, error);
        return written;
    }
    if (kept != nullptr) *kept = file;

    // The backup is kept; a stale one that cannot go now goes with a later write.
    const std::vector<fs::path> files = SettingsFilesIn(folder, error);
    for (std::size_t i = kMaxBackups; i < files.size(); ++i) {
        fs::remove(files[i], error);
        fs::remove(fs::path(files[i]).replace_extension(kInfoExtension), error);
    }
    return written;
}

std::vector<BackupEntry> ListBackups(const fs::path& root, std::string* error) {
    std::vector<BackupEntry> entries;
    std::error_code failure;
    fs::path failed = root;
    fs::directory_iterator units(root, failure);
    if (failure == std::errc::no_such_file_or_directory) return entries;
    for (; !failure && units != fs::directory_iterator(); units.increment(failure)) {
        const std::string name = units->path().filename().string();
        std::error_code kind;
        if (!IsUnitName(name) || !units->is_directory(kind)) continue;
        const std::vector<fs::path> files = SettingsFilesIn(units->path(), failure);
        if (failure) {
            failed = units->path();
            break;
        }
        for (const fs::path& file : files) {
            BackupEntry entry;
            entry.file = file;
            entry.time = TimeOfStem(file.stem().string());
            entry.unit = name;
            entry.simulated = name.starts_with(kSimulatedPrefix);
            const FileText info = ReadRegularFile(fs::path(file).replace_extension(kInfoExtension),
                                                  kMaxInfoBytes, FinalLink::Refuse);
            std::istringstream lines(info.text);
            for (std::string line; std::getline(lines, line);) {
                std::istringstream words(line);
                std::string word;
                words >> word;
                if (word == "model") words >> entry.modelCode;
                if (word == "changed") std::getline(words >> std::ws, entry.changed);
            }
            entry.changed = Printable(std::move(entry.changed));
            entries.push_back(std::move(entry));
        }
    }
    if (failure && error != nullptr) *error = failed.string() + ": " + failure.message();
    const auto order = [](const BackupEntry& e) { return std::pair(e.file.filename(), e.unit); };
    std::ranges::sort(entries, std::greater<>(), order);
    return entries;
}

}  // namespace upsconfig
