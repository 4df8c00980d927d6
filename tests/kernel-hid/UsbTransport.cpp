#include "UsbTransport.h"

#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "device/HidLink.h"

namespace upsconfig::kernelhid {
namespace {

namespace fs = std::filesystem;

// HID class requests and descriptor types.
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kSetIdle = 0x0A;
constexpr std::uint8_t kHidDescriptor = 0x21;
constexpr std::uint8_t kReportDescriptor = 0x22;
constexpr std::uint8_t kFeatureReport = 3;
constexpr std::uint8_t kClassIn = USB_DIR_IN | USB_TYPE_CLASS | USB_RECIP_INTERFACE;
constexpr std::uint8_t kClassOut = USB_DIR_OUT | USB_TYPE_CLASS | USB_RECIP_INTERFACE;
constexpr std::uint8_t kStandardIn = USB_DIR_IN | USB_TYPE_STANDARD | USB_RECIP_INTERFACE;

constexpr auto kEnumerationWait = std::chrono::seconds(10);

std::string GadgetDir(int unit) {
    return "/sys/kernel/config/usb_gadget/ups" + std::to_string(unit);
}
std::string FunctionName(int unit) { return "ups" + std::to_string(unit); }
std::string MountDir(int unit) { return "/run/ffs-ups" + std::to_string(unit); }
std::string UdcName(int unit) { return "dummy_udc." + std::to_string(unit); }
fs::path HostDir(int unit) { return "/sys/devices/platform/dummy_hcd." + std::to_string(unit); }

bool WriteFile(const std::string& path, const std::string& text) {
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    const bool ok =
        fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (!ok) std::fprintf(stderr, "responder: %s: %s\n", path.c_str(), std::strerror(errno));
    if (fd >= 0) close(fd);
    return ok;
}

void Le16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Le32(std::vector<std::uint8_t>& out, unsigned value) {
    Le16(out, value & 0xFFFF);
    Le16(out, value >> 16);
}
void PatchLength(std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> length;
    Le32(length, static_cast<unsigned>(out.size()));
    std::copy(length.begin(), length.end(), out.begin() + 4);
}

// One HID interface with its class descriptor and the interrupt IN endpoint usbhid insists on.
std::vector<std::uint8_t> FunctionDescriptors(std::size_t reportDescriptorSize) {
    std::vector<std::uint8_t> out;
    Le32(out, FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    Le32(out, 0);
    Le32(out, FUNCTIONFS_HAS_FS_DESC);
    Le32(out, 3);  // full-speed descriptors
    out.insert(out.end(),
               {USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, 0, 0, 1, USB_CLASS_HID, 0, 0, 1});
    out.insert(out.end(), {9, kHidDescriptor, 0x11, 0x01, 0, 1, kReportDescriptor});
    Le16(out, static_cast<unsigned>(reportDescriptorSize));
    out.insert(out.end(), {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, USB_DIR_IN | 1,
                           USB_ENDPOINT_XFER_INT, 8, 0, 10});
    PatchLength(out);
    return out;
}

std::vector<std::uint8_t> FunctionStrings() {
    std::vector<std::uint8_t> out;
    Le32(out, FUNCTIONFS_STRINGS_MAGIC);
    Le32(out, 0);
    Le32(out, 1);  // strings
    Le32(out, 1);  // languages
    Le16(out, 0x0409);
    const char interface[] = "upsconfig kernel-hid interface";
    out.insert(out.end(), interface, interface + sizeof interface);
    PatchLength(out);
    return out;
}

// The USB device on the unit's own bus, and whether usbhid gave it a hidraw node yet.
bool DevicePresent(int unit) {
    std::error_code error;
    for (const auto& bus : fs::directory_iterator(HostDir(unit), error)) {
        const std::string name = bus.path().filename().string();
        if (name.starts_with("usb") && fs::exists(bus.path() / (name.substr(3) + "-1"), error))
            return true;
    }
    return false;
}
bool NodePresent(int unit) {
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(HostDir(unit), error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) return false;
        if (it->path().parent_path().filename() == "hidraw" &&
            it->path().filename().string().starts_with("hidraw"))
            return true;
    }
    return false;
}

}  // namespace

UsbTransport::UsbTransport(Requests& requests, std::vector<std::uint8_t> descriptor)
    : requests_(requests),
      descriptor_(std::move(descriptor)),
      silenceTimer_(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC)) {}

UsbTransport::~UsbTransport() {
    for (const Gadget& gadget : gadgets_) {
        if (gadget.ep0 >= 0) close(gadget.ep0);
    }
    if (silenceTimer_ >= 0) close(silenceTimer_);
}

bool UsbTransport::Create(int unit) {
    const std::string g = GadgetDir(unit);
    const std::string function = g + "/functions/ffs." + FunctionName(unit);
    char ids[3][8];
    std::snprintf(ids[0], sizeof ids[0], "0x%04x", kUpsVendorId);
    std::snprintf(ids[1], sizeof ids[1], "0x%04x", kUpsProductId);
    std::snprintf(ids[2], sizeof ids[2], "0x%04x", 0x0100);
    for (const std::string& dir : {g, g + "/strings/0x409", g + "/configs/c.1", function}) {
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "responder: mkdir %s: %s\n", dir.c_str(), std::strerror(errno));
            return false;
        }
    }
    if (!WriteFile(g + "/idVendor", ids[0]) || !WriteFile(g + "/idProduct", ids[1]) ||
        !WriteFile(g + "/bcdDevice", ids[2]) ||
        !WriteFile(g + "/strings/0x409/manufacturer", "upsconfig") ||
        !WriteFile(g + "/strings/0x409/product", "upsconfig kernel-hid unit") ||
        !WriteFile(g + "/strings/0x409/serialnumber", UnitSerial(unit)) ||
        !WriteFile(g + "/max_speed", "full-speed"))
        return false;
    const std::string link = g + "/configs/c.1/ffs." + FunctionName(unit);
    const std::string mountDir = MountDir(unit);
    if ((symlink(function.c_str(), link.c_str()) != 0 && errno != EEXIST) ||
        (mkdir(mountDir.c_str(), 0755) != 0 && errno != EEXIST) ||
        mount(FunctionName(unit).c_str(), mountDir.c_str(), "functionfs", 0, nullptr) != 0) {
        std::fprintf(stderr, "responder: FunctionFS of unit %d: %s\n", unit, std::strerror(errno));
        return false;
    }
    Gadget& gadget = gadgets_[unit];
    gadget.ep0 = open((mountDir + "/ep0").c_str(), O_RDWR | O_CLOEXEC);
    const auto descriptors = FunctionDescriptors(descriptor_.size());
    const auto strings = FunctionStrings();
    if (gadget.ep0 < 0 ||
        write(gadget.ep0, descriptors.data(), descriptors.size()) !=
            static_cast<ssize_t>(descriptors.size()) ||
        write(gadget.ep0, strings.data(), strings.size()) != static_cast<ssize_t>(strings.size())) {
        std::fprintf(stderr, "responder: endpoint 0 of unit %d: %s\n", unit, std::strerror(errno));
        return false;
    }
    gadget.created = true;
    return true;
}

template <typename Ready>
bool UsbTransport::Serve(Ready ready, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        const std::vector<int> fds = Fds();
        std::vector<pollfd> polled;
        for (int fd : fds)
            polled.push_back({fd, POLLIN, 0});
        if (poll(polled.data(), polled.size(), 5) <= 0) continue;
        for (const pollfd& p : polled) {
            if (p.revents & POLLIN) Handle(p.fd);
        }
    }
    return true;
}

bool UsbTransport::Plug(int unit) {
    if (gadgets_[unit].bound) return true;
    if (!gadgets_[unit].created && !Create(unit)) return false;
    if (!WriteFile(GadgetDir(unit) + "/UDC", UdcName(unit))) return false;
    gadgets_[unit].bound = true;
    // usbhid asks for the report descriptor while it binds: endpoint 0 must be answered meanwhile.
    return Serve([unit] { return NodePresent(unit); }, kEnumerationWait);
}

bool UsbTransport::Unplug(int unit) {
    if (!gadgets_[unit].bound) return true;
    gadgets_[unit].bound = false;
    gadgets_[unit].silent = false;
    return WriteFile(GadgetDir(unit) + "/UDC", "\n") &&
           Serve([unit] { return !DevicePresent(unit); }, kEnumerationWait);
}

std::vector<int> UsbTransport::Fds() const {
    std::vector<int> fds{silenceTimer_};
    for (const Gadget& gadget : gadgets_) {
        if (gadget.ep0 >= 0 && !gadget.silent) fds.push_back(gadget.ep0);
    }
    return fds;
}

void UsbTransport::Handle(int fd) {
    if (fd == silenceTimer_) {
        std::uint64_t expirations = 0;
        if (read(silenceTimer_, &expirations, sizeof expirations) > 0) Resume();
        return;
    }
    for (int unit = 0; unit < kUnits; ++unit) {
        if (gadgets_[unit].ep0 == fd) HandleEp0(unit);
    }
}

void UsbTransport::Resume() {
    // The request held back is stalled by the next read, or was cancelled already by the host's
    // next one; either is what a unit that never answered leaves behind.
    for (Gadget& gadget : gadgets_)
        gadget.silent = false;
    const itimerspec off{};
    timerfd_settime(silenceTimer_, 0, &off, nullptr);
}

void UsbTransport::HandleEp0(int unit) {
    usb_functionfs_event event{};
    const ssize_t n = read(gadgets_[unit].ep0, &event, sizeof event);
    if (n < 0) {
        // EIDRM: a request left unanswered was cancelled by the host's next one; EL2HLT: it was
        // stalled.
        if (errno != EIDRM && errno != EL2HLT && errno != EINTR)
            std::fprintf(stderr, "responder: endpoint 0 of unit %d: %s\n", unit,
                         std::strerror(errno));
        return;
    }
    if (n == static_cast<ssize_t>(sizeof event) && event.type == FUNCTIONFS_SETUP)
        Setup(unit, event.u.setup);
}

void UsbTransport::Stall(int unit, bool in) {
    // FunctionFS stalls a pending request on a read for one that sends to the host, on a write
    // for one that receives from it.
    std::uint8_t byte = 0;
    const ssize_t n = in ? read(gadgets_[unit].ep0, &byte, 1) : write(gadgets_[unit].ep0, &byte, 1);
    (void)n;
}

void UsbTransport::Setup(int unit, const usb_ctrlrequest& request) {
    const int ep0 = gadgets_[unit].ep0;
    const unsigned value = le16toh(request.wValue);
    const std::size_t length = le16toh(request.wLength);
    const bool in = (request.bRequestType & USB_DIR_IN) != 0;
    if (request.bRequestType == kStandardIn && request.bRequest == USB_REQ_GET_DESCRIPTOR &&
        value >> 8 == kReportDescriptor) {
        const std::size_t size = std::min(length, descriptor_.size());
        if (write(ep0, descriptor_.data(), size) < 0) Stall(unit, in);
    } else if (request.bRequestType == kClassIn && request.bRequest == kGetReport &&
               value >> 8 == kFeatureReport) {
        const GetAnswer answer = requests_.Get(unit, static_cast<std::uint8_t>(value & 0xFF));
        switch (answer.kind) {
            case GetAnswer::Kind::Reply:
                if (write(ep0, answer.bytes.data(), std::min(length, answer.bytes.size())) < 0)
                    std::perror("responder: reply");
                break;
            case GetAnswer::Kind::Refuse:
                Stall(unit, in);
                break;
            case GetAnswer::Kind::Silent: {
                gadgets_[unit].silent = true;
                const itimerspec after{
                    {0, 0}, {answer.silenceMs / 1000, (answer.silenceMs % 1000) * 1000000L}};
                if (answer.silenceMs > 0) timerfd_settime(silenceTimer_, 0, &after, nullptr);
                break;
            }
            case GetAnswer::Kind::Gone:
                break;
        }
    } else if (request.bRequestType == kClassOut && request.bRequest == kSetReport &&
               value >> 8 == kFeatureReport) {
        if (requests_.RefusesWrites()) {
            Stall(unit, in);
            return;
        }
        std::vector<std::uint8_t> frame(length);
        const ssize_t n = read(ep0, frame.data(), frame.size());
        if (n > 0) {
            frame.resize(static_cast<std::size_t>(n));
            // Taken or not, the data stage is over: a unit cannot stall after it.
            if (!requests_.Set(unit, frame))
                std::fprintf(stderr, "responder: unit %d did not take report %02x\n", unit,
                             frame[0]);
        }
    } else if (request.bRequestType == kClassOut && request.bRequest == kSetIdle) {
        const ssize_t n = read(ep0, nullptr, 0);  // the status stage: taken
        (void)n;
    } else {
        Stall(unit, in);
    }
}

}  // namespace upsconfig::kernelhid
