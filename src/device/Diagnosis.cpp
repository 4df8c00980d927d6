#include "device/Diagnosis.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "device/InterfaceSelection.h"

namespace upsconfig {
namespace {

std::string Join(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& word : words)
        out += (out.empty() ? "" : ", ") + word;
    return out;
}

const char* const kGroupRule =
    "the plugdev alternative: copy share/doc/upsconfig-cli/examples/70-upsconfig-plugdev.rules "
    "(below the install prefix, /usr for the package) to /etc/udev/rules.d/70-upsconfig.rules, "
    "run 'sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw' and "
    "'sudo usermod -aG plugdev $USER', then log in again";
const char* const kReload =
    "'sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw', or unplug "
    "the unit and plug it in again";

bool OnWindows(const HostView& host) { return host.system == platform::System::Windows; }

// The ids as Windows writes them in a device's hardware ids: "HID\VID_1209&PID_0000".
std::string HardwareId(const char* bus, std::uint16_t vendorId, std::uint16_t productId) {
    std::string id = std::string(bus) + "\\VID_" + IdText(vendorId) + "&PID_" + IdText(productId);
    for (char& c : id)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return id;
}

// Where a person sees which device carries which ids.
std::string WhereIdsShow(const HostView& host, std::uint16_t vendorId, std::uint16_t productId) {
    if (OnWindows(host))
        return "Device Manager (its hardware ids, " + HardwareId("HID", vendorId, productId) + ")";
    return "'lsusb -d " + IdsText(vendorId, productId) + "'";
}

std::string AccessWords(const NodeAccess& access) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", access.mode);
    return "owner " + access.owner + ", group " + access.group + ", mode " + mode +
           (access.hasAcl ? ", with an access list" : ", no access list");
}

bool RuleGrantsSeat(const std::string& rule) {
    std::ifstream in(rule);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    return text.find("uaccess") != std::string::npos;
}

// Which of the fixes applies: the rule missing, the group, no seat, or a node from before the
// rule.
std::string PermissionFix(const std::string& path, const HostView& host) {
    const std::string rule = host.InstalledRule();
    const auto access = HostView::AccessOf(path);
    if (rule.empty()) {
        std::string fix =
            "Install the udev rule 70-upsconfig.rules (the package does; from a "
            "build, 'sudo cmake --install BUILD'), then run " +
            std::string(kReload) + ".";
        if (!host.HasSeat())
            fix += " This machine has no seat (no local login), so use " + std::string(kGroupRule) +
                   ".";
        return fix;
    }
    if (access && access->group != "root" && !access->userInGroup && (access->mode & 060) != 0)
        return "The node is for the group " + access->group + ": run 'sudo usermod -aG " +
               access->group + " $USER' and log in again.";
    if (RuleGrantsSeat(rule)) {
        if (!host.HasSeat())
            return "The installed rule " + rule +
                   " serves the user at the machine's seat, and this machine has none (a "
                   "headless server): use " +
                   kGroupRule + ".";
        if (host.seat.empty())
            return "The installed rule " + rule +
                   " serves the user logged in at the seat; this session is not at it (a remote "
                   "login?). Log in at the seat, or use " +
                   kGroupRule + ".";
    }
    return "The rule " + rule + " is installed but this node does not carry it yet: run " +
           kReload + ".";
}

Reason OpenFailed(const HidInterface& interface, const OpenFailure& failure, const HostView& host) {
    const std::string words = failure.text.empty() ? "no reason given" : failure.text;
    Reason reason{Verdict::Busy, interface.path, {}, {}, 0};
    switch (failure.kind) {
        case OpenFailure::Kind::PermissionDenied: {
            reason.verdict = Verdict::PermissionDenied;
            reason.detail = "Permission denied opening " + interface.path + " (" + words + ")";
            if (const auto access = HostView::AccessOf(interface.path))
                reason.detail += "; the node: " + AccessWords(*access);
            reason.detail += ".";
            reason.fix =
                OnWindows(host)
                    ? "Windows lets every user open a HID device unless a program holds it for "
                      "itself or a policy of this machine denies it: close other UPS software "
                      "(and its service), or ask the machine's administrator, then try again."
                    : PermissionFix(interface.path, host);
            break;
        }
        case OpenFailure::Kind::Gone:
            reason.verdict = Verdict::NoInterface;
            reason.detail =
                interface.path + " went away before it could be opened (" + words + ").";
            reason.fix = "Check the USB cable and try again.";
            break;
        case OpenFailure::Kind::Busy:
            reason.detail = interface.path + " is busy (" + words + ").";
            reason.fix = OnWindows(host) ? "Another program holds it (other UPS software, or its "
                                           "service): close it and try again."
                                         : "Another program holds it: close it ('sudo fuser -v " +
                                               interface.path + "' names it) and try again.";
            break;
        case OpenFailure::Kind::None:
        case OpenFailure::Kind::Other:
            reason.detail = interface.path + " could not be opened (" + words + ").";
            reason.fix = "Try again; if it persists, unplug the unit and plug it in again.";
            break;
    }
    return reason;
}

// What sysfs shows when no interface has the ids: a USB device with the vendor id but no
// hidraw node is held by a driver other than usbhid, typically another UPS program's.
std::vector<Reason> SysfsReasons(const HostView& host, std::uint16_t vendorId) {
    std::vector<Reason> reasons;
    for (const UsbDevice& usb : host.UsbDevicesOfVendor(vendorId)) {
        if (usb.hasHidraw) continue;
        Reason reason{Verdict::HeldByDriver, usb.name, {}, {}, 0};
        reason.detail =
            "USB device " + usb.name + " (" + IdsText(usb.vendorId, usb.productId) +
            ") is there but has no hidraw node: its interface is bound to " +
            (usb.drivers.empty() ? std::string("no driver") : "the driver " + Join(usb.drivers)) +
            ", not to usbhid. That is what another UPS program's driver holding the "
            "unit looks like.";
        const std::string interface =
            usb.interfaces.empty() ? usb.name + ":1.0" : usb.interfaces.front();
        reason.fix =
            "Stop the other UPS program's service ('systemctl list-units' shows it), then "
            "hand the interface back to usbhid: 'echo " +
            interface +
            " | sudo tee /sys/bus/usb/drivers/usbhid/bind', or unplug the unit and plug "
            "it in again.";
        reasons.push_back(std::move(reason));
    }
    return reasons;
}

// Windows lists only the HID interfaces it drives; a unit that another program's driver took
// shows in Device Manager alone, under its USB id.
Reason WindowsNotListed(std::uint16_t vendorId, std::uint16_t productId) {
    const std::string usb = HardwareId("USB", vendorId, productId);
    return {Verdict::NoInterface,
            {},
            "No HID interface has the ids " + IdsText(vendorId, productId) +
                " (vendor:product) among those Windows lists.",
            "Check the USB cable and that the unit is on; Device Manager lists it under Human "
            "Interface Devices with the hardware id " +
                HardwareId("HID", vendorId, productId) + ". If it shows elsewhere under " + usb +
                ", another UPS program's driver holds it: remove that program, or give the "
                "device back to the system's driver ('USB Input Device' under Update driver). If "
                "it shows other ids, build the tool with -DUPSCONFIG_VENDOR_ID=0x... and "
                "-DUPSCONFIG_PRODUCT_ID=0x....",
            0};
}

}  // namespace

std::string IdText(std::uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id));
    return text;
}

std::string IdsText(std::uint16_t vendorId, std::uint16_t productId) {
    return IdText(vendorId) + ":" + IdText(productId);
}

std::string_view VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Reachable:
            return "reachable";
        case Verdict::NoInterface:
            return "no_interface";
        case Verdict::PermissionDenied:
            return "permission_denied";
        case Verdict::Busy:
            return "busy";
        case Verdict::NoDescriptor:
            return "no_descriptor";
        case Verdict::LengthRefused:
            return "length_refused";
        case Verdict::HeldByDriver:
            return "held_by_driver";
    }
    return "no_interface";
}

std::string DiagnosisText(const Diagnosis& diagnosis) {
    std::string text = "Verdict: " + std::string(VerdictName(diagnosis.verdict));
    for (const Reason& reason : diagnosis.reasons) {
        text += "\n\n" + reason.detail;
        if (!reason.fix.empty()) text += "\nFix: " + reason.fix;
    }
    return text;
}

Reason CheckInterface(HidBackend& backend, const HidInterface& interface, const HostView& host) {
    if (!backend.Open(interface.path))
        return OpenFailed(interface, backend.LastOpenFailure(), host);
    const auto length = backend.FeatureReportLength();
    const std::string why = backend.LastError();
    backend.Close();
    if (HidLink::FeatureLengthFits(length))
        return {Verdict::Reachable,
                interface.path,
                interface.path + " opens; its feature reports are " + std::to_string(*length) +
                    " bytes.",
                {},
                *length};
    if (!length && backend.DescriptorUnavailable()) {
        Reason reason{Verdict::NoDescriptor, interface.path, {}, {}, 0};
        reason.detail = interface.path +
                        " opens, but its report descriptor could not be had, so the length of its "
                        "feature reports is unknown (" +
                        (why.empty() ? "no reason given" : why) + ").";
        reason.fix =
            "Unplug the unit and plug it in again. If that does not help, this device does not "
            "give its report descriptor, which the tool needs to know its reports; " +
            WhereIdsShow(host, interface.vendorId, interface.productId) +
            " shows which device it is.";
        return reason;
    }
    Reason reason{Verdict::LengthRefused, interface.path, {}, {}, length.value_or(0)};
    reason.detail = length ? interface.path + " opens, but its feature reports are " +
                                 std::to_string(*length) +
                                 " bytes with the report id; the unit's need " +
                                 std::to_string(HidLink::kMinimumTransfer) + " to " +
                                 std::to_string(HidLink::kBufferSize) + "."
                           : interface.path + " opens, but its feature-report length is unknown (" +
                                 (why.empty() ? "no reason given" : why) + ").";
    reason.fix =
        "This device carries the units' ids but not their reports: check the ids the "
        "tool was built with ('upsconfig-cli --version') against " +
        std::string(OnWindows(host) ? "the hardware ids Device Manager shows." : "'lsusb'.");
    return reason;
}

Diagnosis Diagnose(HidBackend& backend, const HostView& host, const std::string& device,
                   std::uint16_t vendorId, std::uint16_t productId) {
    Diagnosis diagnosis;
    const std::vector<HidInterface> present = backend.Enumerate();
    for (const HidInterface& interface : SelectInterfaces(present, device, vendorId, productId)) {
        diagnosis.reasons.push_back(CheckInterface(backend, interface, host));
    }
    if (!diagnosis.reasons.empty()) {
        diagnosis.verdict = diagnosis.reasons.front().verdict;
        for (const Reason& reason : diagnosis.reasons) {
            if (reason.verdict == Verdict::Reachable) diagnosis.verdict = Verdict::Reachable;
        }
        return diagnosis;
    }

    const std::string ids = IdsText(vendorId, productId);
    const auto units = SelectInterfaces(present, {}, vendorId, productId);
    if (!units.empty()) {
        std::vector<std::string> names;
        for (const HidInterface& unit : units)
            names.push_back(unit.path +
                            (unit.serial.empty() ? "" : " (serial " + unit.serial + ")"));
        diagnosis.reasons.push_back({Verdict::NoInterface,
                                     {},
                                     "No interface with the ids " + ids + " matches --device " +
                                         device + "; present: " + Join(names) + ".",
                                     "Give --device one of these paths or serials.",
                                     0});
        return diagnosis;
    }
    // Same vendor, other product: the tool may have been built with the wrong product id.
    for (const HidInterface& other : present) {
        if (other.vendorId != vendorId) continue;
        diagnosis.reasons.push_back(
            {Verdict::NoInterface, other.path,
             other.path + " has the vendor id but the ids " +
                 IdsText(other.vendorId, other.productId) + ".",
             "If it is the unit, build the tool with -DUPSCONFIG_PRODUCT_ID=0x" +
                 IdText(other.productId) + ".",
             0});
    }
    if (OnWindows(host)) {
        diagnosis.reasons.push_back(WindowsNotListed(vendorId, productId));
        return diagnosis;
    }
    for (Reason& held : SysfsReasons(host, vendorId))
        diagnosis.reasons.push_back(std::move(held));
    if (!diagnosis.reasons.empty() && diagnosis.reasons.back().verdict == Verdict::HeldByDriver) {
        diagnosis.verdict = Verdict::HeldByDriver;
        return diagnosis;
    }
    diagnosis.reasons.push_back(
        {Verdict::NoInterface,
         {},
         "No HID interface has the ids " + ids +
             " (vendor:product), and no USB device with the "
             "vendor id is held by another driver.",
         "Check the USB cable and that the unit is on; 'lsusb' lists it as ID " + ids +
             ". If it shows other ids, build the tool with -DUPSCONFIG_VENDOR_ID=0x... and "
             "-DUPSCONFIG_PRODUCT_ID=0x....",
         0});
    return diagnosis;
}

}  // namespace upsconfig
