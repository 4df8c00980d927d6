// Makes the simulated unit a kernel HID device through /dev/uhid and answers the kernel's
// feature requests from it. The test steers it over a control socket: faults a unit or its
// cable can show, unplug and replug, and what the unit holds.

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "ResponderUnit.h"
#include "device/HidLink.h"

namespace upsconfig::kernelhid {
namespace {

// Another unit of the same maker that is not one of ours; it takes the node a replugged unit
// would otherwise get back.
constexpr std::uint16_t kDecoyProductId = 0x0001;
constexpr auto kNodeWait = std::chrono::seconds(5);

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

    bool Create(const char* name, std::uint16_t vendor, std::uint16_t product,
                const std::vector<std::uint8_t>& descriptor) {
        auto ev = std::make_unique<uhid_event>();
        ev->type = UHID_CREATE2;
        std::snprintf(reinterpret_cast<char*>(ev->u.create2.name), sizeof ev->u.create2.name, "%s",
                      name);
        std::snprintf(reinterpret_cast<char*>(ev->u.create2.uniq), sizeof ev->u.create2.uniq,
                      "kernel-hid-test");
        ev->u.create2.rd_size = static_cast<std::uint16_t>(descriptor.size());
        ev->u.create2.bus = 0x03;  // BUS_USB
        ev->u.create2.vendor = vendor;
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

// The hidraw node the kernel gave the device with these ids, once a driver bound it.
std::optional<std::string> HidrawNode(std::uint16_t vendor, std::uint16_t product) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "0003:%04X:%04X.", vendor, product);
    std::error_code error;
    for (const auto& device : std::filesystem::directory_iterator("/sys/bus/hid/devices", error)) {
        if (!device.path().filename().string().starts_with(prefix)) continue;
        for (const auto& node :
             std::filesystem::directory_iterator(device.path() / "hidraw", error)) {
            return node.path().filename().string();
        }
    }
    return std::nullopt;
}

// The kernel binds the driver and publishes the node a moment after the device is created.
bool WaitForNode(std::uint16_t vendor, std::uint16_t product, bool present) {
    const auto deadline = std::chrono::steady_clock::now() + kNodeWait;
    while (HidrawNode(vendor, product).has_value() != present) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class Responder {
  public:
    explicit Responder(bool shortRepliesAlways) : shortAlways_(shortRepliesAlways) {}

    bool Plug() {
        if (!unit_.Create("upsconfig kernel-hid unit", kUpsVendorId, kUpsProductId,
                          ResponderUnit::ReportDescriptor()))
            return false;
        plugged_ = true;
        return WaitForNode(kUpsVendorId, kUpsProductId, true);
    }

    bool Unplug() {
        if (!plugged_) return true;
        plugged_ = false;
        return unit_.Destroy() && WaitForNode(kUpsVendorId, kUpsProductId, false);
    }

    // Back under another node than before: the decoy takes the lowest free one first.
    bool Replug() {
        if (plugged_) return true;
        if (!decoy_) {
            decoy_ = std::make_unique<UhidDevice>();
            if (!decoy_->Create("upsconfig kernel-hid decoy", kUpsVendorId, kDecoyProductId,
                                ResponderUnit::ReportDescriptor()) ||
                !WaitForNode(kUpsVendorId, kDecoyProductId, true))
                return false;
        }
        return Plug();
    }

    int UnitFd() const { return unit_.Fd(); }
    int DecoyFd() const { return decoy_ ? decoy_->Fd() : -1; }
    void DrainDecoy() { decoy_->Receive(); }

    void HandleUnitEvent() {
        const auto ev = unit_.Receive();
        if (!ev) return;
        if (ev->type == UHID_GET_REPORT) AnswerGet(ev->u.get_report);
        if (ev->type == UHID_SET_REPORT) AnswerSet(ev->u.set_report);
    }

    std::string Command(const std::string& line) {
        std::istringstream in(line);
        std::string verb, argument;
        in >> verb >> argument;
        const auto id = [&]() -> int {
            return argument == "off" ? -1 : static_cast<int>(std::stoul(argument, nullptr, 16));
        };
        try {
            if (verb == "state") return FormatState(sim_.TakeState());
            if (verb == "normal") {
                shortReplies_ = refuseWrites_ = false;
                muteId_ = unplugOnGetId_ = -1;
            } else if (verb == "short") {
                shortReplies_ = argument == "on";
            } else if (verb == "refuse-writes") {
                refuseWrites_ = argument == "on";
            } else if (verb == "mute") {
                muteId_ = id();
            } else if (verb == "unplug-on-get") {
                unplugOnGetId_ = id();
            } else if (verb == "unplug") {
                if (!Unplug()) return "error: unplug failed";
            } else if (verb == "replug") {
                if (!Replug()) return "error: replug failed";
            } else {
                return "error: unknown command " + verb;
            }
        } catch (const std::exception&) {
            return "error: bad argument " + argument;
        }
        return "ok";
    }

  private:
    void AnswerGet(const uhid_get_report_req& request) {
        if (request.rnum == muteId_) return;  // the kernel gives up after its timeout
        if (request.rnum == unplugOnGetId_) {
            unplugOnGetId_ = -1;
            Unplug();  // pulled out while the read waits for its answer
            return;
        }
        auto reply = std::make_unique<uhid_event>();
        reply->type = UHID_GET_REPORT_REPLY;
        reply->u.get_report_reply.id = request.id;
        std::array<std::uint8_t, 1 + ResponderUnit::kDataBytes> frame{request.rnum};
        const int count = request.rtype == UHID_FEATURE_REPORT ? sim_.Answer(frame) : -1;
        if (count < 1) {
            reply->u.get_report_reply.err = EIO;
        } else {
            // A unit that leaves out the report id sends the data bytes alone.
            const int skip = (shortAlways_ || shortReplies_) ? 1 : 0;
            std::copy(frame.begin() + skip, frame.begin() + count, reply->u.get_report_reply.data);
            reply->u.get_report_reply.size = static_cast<std::uint16_t>(count - skip);
        }
        unit_.Send(*reply);
    }

    void AnswerSet(const uhid_set_report_req& request) {
        uhid_event reply{};
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = request.id;
        const std::size_t size = std::min<std::size_t>(request.size, UHID_DATA_MAX);
        const bool taken = !refuseWrites_ && request.rtype == UHID_FEATURE_REPORT &&
                           sim_.Take(std::span(request.data, size));
        reply.u.set_report_reply.err = taken ? 0 : EIO;
        unit_.Send(reply);
    }

    ResponderUnit sim_;
    UhidDevice unit_;
    std::unique_ptr<UhidDevice> decoy_;
    bool plugged_ = false;
    const bool shortAlways_;
    bool shortReplies_ = false;
    bool refuseWrites_ = false;
    int muteId_ = -1;
    int unplugOnGetId_ = -1;
};

int Listen(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 1) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int Run(bool shortRepliesAlways) {
    Responder responder(shortRepliesAlways);
    if (responder.UnitFd() < 0) {
        std::perror("responder: /dev/uhid");
        return 1;
    }
    if (!responder.Plug()) {
        std::fprintf(stderr, "responder: the unit's hidraw node did not appear\n");
        return 1;
    }
    // Listening only now tells whoever waits for the socket that the unit is there.
    const int listener = Listen(kControlSocket);
    if (listener < 0) {
        std::perror("responder: control socket");
        return 1;
    }
    int client = -1;
    for (;;) {
        pollfd fds[] = {{responder.UnitFd(), POLLIN, 0},
                        {listener, POLLIN, 0},
                        {client, POLLIN, 0},
                        {responder.DecoyFd(), POLLIN, 0}};
        if (poll(fds, 4, -1) < 0) {
            if (errno == EINTR) continue;
            std::perror("responder: poll");
            return 1;
        }
        if (fds[0].revents & POLLIN) responder.HandleUnitEvent();
        if (fds[3].revents & POLLIN) responder.DrainDecoy();
        if (fds[1].revents & POLLIN) {
            if (client >= 0) close(client);
            client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        }
        if (client >= 0 && (fds[2].revents & (POLLIN | POLLHUP))) {
            char message[256];
            const ssize_t n = recv(client, message, sizeof message - 1, 0);
            if (n <= 0) {
                close(client);
                client = -1;
                continue;
            }
            const std::string reply = responder.Command(std::string(message, n));
            send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
    }
}

}  // namespace
}  // namespace upsconfig::kernelhid

int main(int argc, char** argv) {
    const std::string option = argc > 1 ? argv[1] : "";
    if (argc > 2 || (argc == 2 && option != "--short-replies")) {
        std::fprintf(stderr, "usage: %s [--short-replies]\n", argv[0]);
        return 2;
    }
    // --short-replies is the failing control: no command can switch it off.
    return upsconfig::kernelhid::Run(option == "--short-replies");
}
