#include "cli/SimState.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "device/Protocol.h"

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

}  // namespace

bool LoadSimState(const std::filesystem::path& file, SimulatedUnit& unit) {
    std::ifstream in(file);
    if (!in) {
        if (errno == ENOENT) return false;
        throw std::runtime_error("the simulated unit's state file " + file.string() +
                                 " cannot be read: " + std::strerror(errno));
    }
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
        throw std::runtime_error("the simulated unit's state file " + file.string() +
                                 " is damaged; `upsconfig-cli --simulate sim reset` starts anew");
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

bool SaveSimState(const std::filesystem::path& file, const SimulatedUnit& unit,
                  std::string& error) {
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
    // A whole file or none: the next command must never meet half a state.
    std::filesystem::path temporary = file;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text.str();
        if (!out.flush()) {
            error = std::strerror(errno);
            return false;
        }
    }
    std::error_code failure;
    std::filesystem::rename(temporary, file, failure);
    if (failure) {
        error = failure.message();
        std::filesystem::remove(temporary, failure);
        return false;
    }
    return true;
}

}  // namespace upsconfig
