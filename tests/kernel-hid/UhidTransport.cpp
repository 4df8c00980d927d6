#include "UhidTransport.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "device/HidLink.h"

namespace upsconfig::kernelhid {
namespace {

constexpr std::uint16_t kDecoyProductId = 0x0001;
constexpr auto kNodeWait = std::chrono::seconds(5);

// The hidraw nodes of the devices with these ids and this uniq, once a driver bound them.
int HidrawNodes(std::uint16_t vendor, std::uint16_t product, const std::string& uniq) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "0003:%04X:%04X.", vendor, product);
    std::error_code error;
    int nodes = 0;
    for (const auto& device : std::filesystem::directory_iterator("/sys/bus/hid/devices", error)) {
        if (!device.path().filename().string().starts_with(prefix)) continue;
        std::string text;
        if (FILE* uevent = std::fopen((device.path() / "uevent").c_str(), "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, uevent))
                text += line;
            std::fclose(uevent);
        }
        if (text.find("HID_UNIQ=" + uniq + "\n") == std::string::npos) continue;
        for (const auto& node :
             std::filesystem::directory_iterator(device.path() / "hidraw", error)) {
            (void)node;
            ++nodes;
        }
    }
    return nodes;
}

// The kernel binds the driver and publishes the node a moment after the device is created.
bool WaitForNode(std::uint16_t vendor, std::uint16_t product, const std::string& uniq,
                 bool present) {
    const auto deadline = std::chrono::steady_clock::now() + kNodeWait;
    while ((HidrawNodes(vendor, product, uniq) > 0) != present) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

// One device on its own /dev/uhid file.
class UhidDevice {
  public:
    UhidDevice() : fd_(open("/dev/uhid", O_RDWR | O_CLOEXEC)) {}
    ~UhidDevice() {
        if (fd_ >= 0) close(fd_);
    }
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    int Fd() const { return fd_; }

    bool Create(const char* name, const char* uniq, std::uint16_t product,
                const std::vector<std::uint8_t>& descriptor) {
        auto ev = std::make_unique<uhid_event>();
        ev->type = UHID_CREATE2;
        std::snprintf(reinterpret_cast<char*>(ev->u.create2.name), sizeof ev->u.create2.name, "%s",
                      name);
        std::snprintf(reinterpret_cast<char*>(ev->u.create2.uniq), sizeof ev->u.create2.uniq, "%s",
                      uniq);
        ev->u.create2.rd_size = static_cast<std::uint16_t>(descriptor.size());
        ev->u.create2.bus = 0x03;  // BUS_USB
        ev->u.create2.vendor = kUpsVendorId;
        ev->u.create2.product = product;
        std::copy(descriptor.begin(), descriptor.end(), ev->u.create2.rd_data);
        return Send(*ev);
    }

    bool Destroy() {
        uhid_event ev{};
        ev.type = UHID_DESTROY;
        return Send(ev);
    }

    bool Send(const uhid_event& ev) {
        return write(fd_, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev);
    }

    // Drains one event the kernel queued; nullopt when there was none or the read failed.
    std::optional<uhid_event> Receive() {
        uhid_event ev{};
        if (read(fd_, &ev, sizeof ev) <= 0) return std::nullopt;
        return ev;
    }

  private:
    int fd_;
};

UhidTransport::UhidTransport(Requests& requests, std::vector<std::uint8_t> descriptor)
    : requests_(requests), descriptor_(std::move(descriptor)) {
    for (auto& unit : units_)
        unit = std::make_unique<UhidDevice>();
}

UhidTransport::~UhidTransport() = default;

bool UhidTransport::Plug(int unit) {
    if (plugged_[unit]) return true;
    if (units_[unit]->Fd() < 0) {
        std::perror("responder: /dev/uhid");
        return false;
    }
    if (!units_[unit]->Create("upsconfig kernel-hid unit", UnitSerial(unit), kUpsProductId,
                              descriptor_))
        return false;
    plugged_[unit] = true;
    return WaitForNode(kUpsVendorId, kUpsProductId, UnitSerial(unit), true);
}

bool UhidTransport::Unplug(int unit) {
    if (!plugged_[unit]) return true;
    plugged_[unit] = false;
    return units_[unit]->Destroy() &&
           WaitForNode(kUpsVendorId, kUpsProductId, UnitSerial(unit), false);
}

// Back under another node than before: the decoy takes the lowest free one first.
bool UhidTransport::Replug(int unit) {
    if (plugged_[unit]) return true;
    if (!decoy_) {
        decoy_ = std::make_unique<UhidDevice>();
        if (!decoy_->Create("upsconfig kernel-hid decoy", "kernel-hid-decoy", kDecoyProductId,
                            descriptor_) ||
            !WaitForNode(kUpsVendorId, kDecoyProductId, "kernel-hid-decoy", true))
            return false;
    }
    return Plug(unit);
}

std::vector<int> UhidTransport::Fds() const {
    std::vector<int> fds;
    for (const auto& unit : units_)
        fds.push_back(unit->Fd());
    if (decoy_) fds.push_back(decoy_->Fd());
    return fds;
}

void UhidTransport::Handle(int fd) {
    for (int unit = 0; unit < kUnits; ++unit) {
        if (units_[unit]->Fd() != fd) continue;
        const auto ev = units_[unit]->Receive();
        if (!ev) return;
        if (ev->type == UHID_GET_REPORT) AnswerGet(unit, ev->u.get_report);
        if (ev->type == UHID_SET_REPORT) AnswerSet(unit, ev->u.set_report);
        return;
    }
    if (decoy_ && decoy_->Fd() == fd) decoy_->Receive();
}

void UhidTransport::AnswerGet(int unit, const uhid_get_report_req& request) {
    const GetAnswer answer = request.rtype == UHID_FEATURE_REPORT
                                 ? requests_.Get(unit, request.rnum)
                                 : GetAnswer{GetAnswer::Kind::Refuse, {}};
    if (answer.kind == GetAnswer::Kind::Silent || answer.kind == GetAnswer::Kind::Gone) return;
    auto reply = std::make_unique<uhid_event>();
    reply->type = UHID_GET_REPORT_REPLY;
    reply->u.get_report_reply.id = request.id;
    if (answer.kind == GetAnswer::Kind::Refuse) {
        reply->u.get_report_reply.err = EIO;
    } else {
        const std::size_t size = std::min<std::size_t>(answer.bytes.size(), UHID_DATA_MAX);
        std::copy_n(answer.bytes.begin(), size, reply->u.get_report_reply.data);
        reply->u.get_report_reply.size = static_cast<std::uint16_t>(size);
    }
    units_[unit]->Send(*reply);
}

void UhidTransport::AnswerSet(int unit, const uhid_set_report_req& request) {
    uhid_event reply{};
    reply.type = UHID_SET_REPORT_REPLY;
    reply.u.set_report_reply.id = request.id;
    const std::size_t size = std::min<std::size_t>(request.size, UHID_DATA_MAX);
    const bool taken = !requests_.RefusesWrites() && request.rtype == UHID_FEATURE_REPORT &&
                       requests_.Set(unit, std::span(request.data, size));
    reply.u.set_report_reply.err = taken ? 0 : EIO;
    units_[unit]->Send(reply);
}

}  // namespace upsconfig::kernelhid
