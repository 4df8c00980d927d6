#include "device/HostView.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace upsconfig {
namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute; empty when it is missing.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::optional<std::uint16_t> HexId(const std::string& text) {
    std::uint16_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// Whether a hidraw node hangs below a USB interface (interface/<hid device>/hidraw/hidrawN).
bool HasHidrawBelow(const fs::path& interface) {
    std::error_code error;
    for (const fs::directory_entry& hid : fs::directory_iterator(interface, error)) {
        std::error_code inner;
        if (fs::is_directory(hid.path() / "hidraw", inner) &&
            !fs::is_empty(hid.path() / "hidraw", inner))
            return true;
    }
    return false;
}

}  // namespace

HostView HostView::OfThisMachine(const VariableLookup& variable) {
    HostView host;
    if (host.system == platform::System::Windows) {
        host.sysfsRoot.clear();
        host.ruleDirs.clear();
        host.seatsDir.clear();
        return host;
    }
    host.seat = variable("XDG_SEAT").value_or("");
    return host;
}

std::vector<UsbDevice> HostView::UsbDevicesOfVendor(std::uint16_t vendorId) const {
    std::vector<UsbDevice> devices;
    if (sysfsRoot.empty()) return devices;  // not below the working folder
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(sysfsRoot) / "bus/usb/devices", error)) {
        // Interfaces are listed here too; only devices carry the ids.
        const auto vendor = HexId(Attribute(entry.path() / "idVendor"));
        if (!vendor || *vendor != vendorId) continue;
        UsbDevice device;
        device.name = entry.path().filename().string();
        device.vendorId = *vendor;
        device.productId = HexId(Attribute(entry.path() / "idProduct")).value_or(0);
        // The interface folders are named <device>:<configuration>.<interface>.
        std::error_code inner;
        for (const fs::directory_entry& sub : fs::directory_iterator(entry.path(), inner)) {
            if (!sub.path().filename().string().starts_with(device.name + ":")) continue;
            device.interfaces.push_back(sub.path().filename().string());
            std::error_code link;
            const fs::path driver = fs::read_symlink(sub.path() / "driver", link);
            if (!link) device.drivers.push_back(driver.filename().string());
            device.hasHidraw = device.hasHidraw || HasHidrawBelow(sub.path());
        }
        std::sort(device.interfaces.begin(), device.interfaces.end());
        std::sort(device.drivers.begin(), device.drivers.end());
        device.drivers.erase(std::unique(device.drivers.begin(), device.drivers.end()),
                             device.drivers.end());
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(),
              [](const UsbDevice& a, const UsbDevice& b) { return a.name < b.name; });
    return devices;
}

std::optional<NodeAccess> HostView::AccessOf(const std::string& node) {
    return platform::AccessOf(node);
}

std::string HostView::InstalledRule() const {
    for (const std::string& dir : ruleDirs) {
        const fs::path rule = fs::path(dir) / kRuleName;
        std::error_code error;
        if (fs::exists(rule, error)) return rule.string();
    }
    return {};
}

bool HostView::HasSeat() const {
    std::error_code error;
    return fs::is_directory(seatsDir, error) && !fs::is_empty(seatsDir, error);
}

}  // namespace upsconfig
