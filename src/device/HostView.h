#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace upsconfig {

// One USB device as sysfs shows it.
struct UsbDevice {
    std::string name;  // its sysfs name, e.g. "1-1.2"
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::vector<std::string> interfaces;  // their sysfs names, e.g. "1-1.2:1.0"
    std::vector<std::string> drivers;     // bound to them ("usbhid", "usbfs", ...)
    bool hasHidraw = false;               // a hidraw node hangs below one of its interfaces
};

using platform::NodeAccess;
using platform::ProcessVariable;
using platform::VariableLookup;

// The parts of the system that say why a unit cannot be reached: the USB devices in sysfs, the
// access to a node, the udev rule, the seats and this session's seat. Every place is injectable,
// so tests never look at the machine they run on; the window and the command line take the
// machine's from OfThisMachine. Windows has none of these places: there the system's own error
// for an interface is all there is, and `system` says which fixes apply.
struct HostView {
    std::string sysfsRoot = "/sys";
    // The folders udev reads rules from; a file in the first hides one of the same name later.
    std::vector<std::string> ruleDirs = {"/etc/udev/rules.d", "/usr/lib/udev/rules.d",
                                         "/lib/udev/rules.d"};
    std::string seatsDir = "/run/systemd/seats";
    std::string seat;  // XDG_SEAT of this session; empty when it is not at a seat
    platform::System system = platform::kSystem;

    // This machine's places (none on Windows), and the seat from the environment.
    static HostView OfThisMachine(const VariableLookup& variable = ProcessVariable);

    static constexpr const char* kRuleName = "70-upsconfig.rules";

    // USB devices with this vendor id, in sysfs name order.
    std::vector<UsbDevice> UsbDevicesOfVendor(std::uint16_t vendorId) const;
    // nullopt when the node cannot be examined (not there, or not this user's to look at).
    static std::optional<NodeAccess> AccessOf(const std::string& node);
    // The path of the installed rule udev uses; empty when none is installed.
    std::string InstalledRule() const;
    // Whether the machine has a seat, i.e. a local login that the seat rule serves.
    bool HasSeat() const;
};

}  // namespace upsconfig
