#include "cli/SimState.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "settingsfile/RegularFile.h"

namespace upsconfig {
namespace {

constexpr const char* kMagic = "upsconfig-sim-state 1";

std::string Hex(const SettingsImage& image) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : image.bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

bool FromHex(const std::string& text, SettingsImage& image) {
    if (text.size() != image.bytes.size() * 2) return false;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        unsigned value = 0;
        if (std::sscanf(text.c_str() + 2 * i, "%2x", &value) != 1) return false;
        image.bytes[i] = static_cast<std::uint8_t>(value);
    }
    return true;
}

bool IsAbsolute(const std::optional<std::string>& path) {
    return path && std::filesystem::path(*path).is_absolute();
}

std::runtime_error Unloadable(const std::filesystem::path& file, const std::string& why) {
    return std::runtime_error("the simulated unit's state file " + file.string() + " " + why +
                              "; it was left as it is");
}

}  // namespace

std::optional<std::filesystem::path> DefaultSimStatePath(const platform::VariableLookup& variable,
                                                         unsigned userId, std::string& error,
                                                         platform::System system) {
    if (system == platform::System::Windows) {
        const auto data = platform::DataHome(variable, system);
        if (!data) {
            error = std::string(platform::WhyNoDataHome(system)) +
                    "; name a state file with --sim-state";
            return std::nullopt;
        }
        const std::filesystem::path folder = *data / "upsconfig";
        std::error_code made;
        std::filesystem::create_directories(folder, made);
        if (made) {
            error = folder.string() + " cannot be made: " + made.message();
            return std::nullopt;
        }
        return folder / "sim.state";
    }
    const auto runtime = variable("XDG_RUNTIME_DIR");
    if (IsAbsolute(runtime)) return std::filesystem::path(*runtime) / "upsconfig-sim.state";
    // A name in a shared folder that anyone can take first: only a folder that is ours, and
    // that only we can write to, holds the state.
    const auto temp = variable("TMPDIR");
    const std::filesystem::path base = IsAbsolute(temp) ? *temp : "/tmp";
    const std::filesystem::path folder = base / ("upsconfig-" + std::to_string(userId));
    if (!platform::MakeFolder(folder) && errno != EEXIST) {
        error = folder.string() + " cannot be made: " + std::strerror(errno);
        return std::nullopt;
    }
    platform::NodeInfo info;
    if (!platform::StatLink(folder, info)) {
        error = folder.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (info.kind != platform::NodeKind::Directory || info.owner != userId ||
        (info.permissions & 077) != 0) {
        error = folder.string() +
                " is not a private folder of this user (a folder of mode 0700 owned by user " +
                std::to_string(userId) + "); remove it or name a state file with --sim-state";
        return std::nullopt;
    }
    return folder / "sim.state";
}

bool LoadSimState(const std::filesystem::path& file, SimulatedUnit& unit) {
    const FileText read = ReadRegularFile(file, kMaxSimStateBytes, FinalLink::Refuse);
    if (read.Missing()) return false;
    if (!read.ok) throw Unloadable(file, "cannot be read: " + read.reason);
    std::istringstream in(read.text);
    std::string magic;
    std::getline(in, magic);
    int model = -1, hardware = 0, power = 0, monitor = 0, online = 0, outlet1 = 0, outlet2 = 0;
    long long startup = 0;
    std::string settings;
    bool complete = magic == kMagic;
    for (std::string line; complete && std::getline(in, line);) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "model") words >> model;
        if (key == "versions") words >> hardware >> power >> monitor;
        if (key == "online") words >> online;
        if (key == "outlets") words >> outlet1 >> outlet2;
        if (key == "startup") words >> startup;
        if (key == "settings") words >> settings;
        complete = !words.fail();
    }
    SettingsImage image;
    if (!complete || model < 0 || model > 255 || !FromHex(settings, image))
        throw Unloadable(file,
                         "is no state of the simulated unit, or a damaged one (`upsconfig-cli "
                         "--simulate sim reset` removes a damaged state)");
    unit.LoadImage(image);
    unit.SetModelCode(static_cast<std::uint8_t>(model));
    unit.SetVersions(static_cast<std::uint8_t>(hardware), static_cast<std::uint8_t>(power),
                     static_cast<std::uint8_t>(monitor));
    unit.SetOnline(online != 0);
    unit.SetOutlet(1, outlet1 != 0);
    unit.SetOutlet(2, outlet2 != 0);
    unit.SetStartupSeconds(static_cast<std::int32_t>(startup));
    return true;
}

std::string FormatSimState(const SimulatedUnit& unit) {
    const auto versions = unit.Versions();
    std::ostringstream text;
    text << kMagic << "\n"
         << "model " << static_cast<int>(unit.ModelCode()) << "\n"
         << "versions " << static_cast<int>(versions[0]) << " " << static_cast<int>(versions[1])
         << " " << static_cast<int>(versions[2]) << "\n"
         << "online " << (unit.Online() ? 1 : 0) << "\n"
         << "outlets " << (unit.OutletOn(1) ? 1 : 0) << " " << (unit.OutletOn(2) ? 1 : 0) << "\n"
         << "startup " << unit.StartupSeconds() << "\n"
         << "settings " << Hex(unit.HeldImage()) << "\n";
    return text.str();
}

bool SaveSimState(const std::filesystem::path& file, const SimulatedUnit& unit,
                  std::string& error) {
    // A whole file or none: the next command must never meet half a state.
    const WriteResult written = ReplaceRegularFile(file, FormatSimState(unit));
    if (!written) error = written.reason;
    return written.ok;
}

std::filesystem::path SimStateLockPath(const std::filesystem::path& state) {
    return std::filesystem::path(state) += ".lock";
}

bool SimStateOrNothing(const std::filesystem::path& file, std::string& error) {
    const FileText read = ReadRegularFile(file, kMaxSimStateBytes, FinalLink::Refuse);
    if (read.Missing()) return true;
    if (!read.ok) {
        error = read.reason;
        return false;
    }
    // A damaged state still starts with its first line; a file of the user's does not.
    if (!read.text.starts_with(kMagic)) {
        error = "not a state file of the simulated unit; it was left as it is";
        return false;
    }
    return true;
}

bool RemoveSimState(const std::filesystem::path& file, std::string& error) {
    if (!SimStateOrNothing(file, error)) return false;
    if (!platform::RemoveFile(file) && errno != ENOENT) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace upsconfig
