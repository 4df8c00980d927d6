// Makes the simulated unit a kernel device (through /dev/uhid, or as a USB gadget on
// dummy_hcd) and answers the kernel's feature requests from it. The test steers it over a
// control socket: faults a unit or its cable can show, unplug and replug, a second unit, and
// what a unit holds.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "ResponderUnit.h"
#include "UhidTransport.h"
#include "UsbTransport.h"

namespace upsconfig::kernelhid {
namespace {

class Responder : public Requests {
  public:
    explicit Responder(bool shortRepliesAlways) : shortAlways_(shortRepliesAlways) {}

    void SetTransport(Transport& transport) { transport_ = &transport; }

    GetAnswer Get(int unit, std::uint8_t id) override {
        if (id == muteId_) return {GetAnswer::Kind::Silent, {}, muteMs_};
        if (id == unplugOnGetId_) {
            unplugOnGetId_ = -1;
            transport_->Unplug(unit);  // pulled out while the read waits for its answer
            return {GetAnswer::Kind::Gone, {}};
        }
        std::array<std::uint8_t, 1 + ResponderUnit::kDataBytes> frame{id};
        const int count = units_[unit].Answer(frame);
        if (count < 1) return {GetAnswer::Kind::Refuse, {}};
        // A unit that leaves out the report id sends the data bytes alone.
        const int skip = (shortAlways_ || shortReplies_) ? 1 : 0;
        return {GetAnswer::Kind::Reply, {frame.begin() + skip, frame.begin() + count}};
    }

    bool RefusesWrites() const override { return refuseWrites_; }

    bool Set(int unit, std::span<const std::uint8_t> frame) override {
        return units_[unit].Take(frame);
    }

    std::string Command(const std::string& line) {
        std::istringstream in(line);
        std::string verb, argument, more;
        in >> verb >> argument >> more;
        const auto id = [&]() -> int {
            return argument == "off" ? -1 : static_cast<int>(std::stoul(argument, nullptr, 16));
        };
        try {
            if (verb == "state")
                return FormatState(units_[argument == "2" ? kSecondUnit : kFirstUnit].TakeState());
            if (verb == "normal") {
                shortReplies_ = refuseWrites_ = false;
                muteId_ = unplugOnGetId_ = -1;
            } else if (verb == "short") {
                shortReplies_ = argument == "on";
            } else if (verb == "refuse-writes") {
                refuseWrites_ = argument == "on";
            } else if (verb == "mute") {
                // On USB the host's timeout: how long endpoint 0 is left alone afterwards.
                muteId_ = id();
                muteMs_ = more.empty() ? 0 : std::stoi(more);
            } else if (verb == "unplug-on-get") {
                unplugOnGetId_ = id();
            } else if (verb == "unplug") {
                if (!transport_->Unplug(kFirstUnit)) return "error: unplug failed";
            } else if (verb == "replug") {
                if (!transport_->Replug(kFirstUnit)) return "error: replug failed";
            } else if (verb == "second") {
                const bool on = argument == "on";
                if (!(on ? transport_->Plug(kSecondUnit) : transport_->Unplug(kSecondUnit)))
                    return "error: the second unit did not follow";
            } else {
                return "error: unknown command " + verb;
            }
        } catch (const std::exception&) {
            return "error: bad argument " + argument;
        }
        return "ok";
    }

  private:
    std::array<ResponderUnit, kUnits> units_;
    Transport* transport_ = nullptr;
    const bool shortAlways_;
    bool shortReplies_ = false;
    bool refuseWrites_ = false;
    int muteId_ = -1;
    int muteMs_ = 0;
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

int Run(bool usb, bool shortRepliesAlways) {
    Responder responder(shortRepliesAlways);
    std::unique_ptr<Transport> transport;
    if (usb) {
        transport = std::make_unique<UsbTransport>(responder, ResponderUnit::ReportDescriptor());
    } else {
        transport = std::make_unique<UhidTransport>(responder, ResponderUnit::ReportDescriptor());
    }
    responder.SetTransport(*transport);
    if (!transport->Plug(kFirstUnit)) {
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
        std::vector<pollfd> fds{{listener, POLLIN, 0}, {client, POLLIN, 0}};
        for (int fd : transport->Fds())
            fds.push_back({fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            std::perror("responder: poll");
            return 1;
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN) transport->Handle(fds[i].fd);
        }
        if (fds[0].revents & POLLIN) {
            if (client >= 0) close(client);
            client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        }
        if (client >= 0 && (fds[1].revents & (POLLIN | POLLHUP))) {
            char message[256];
            const ssize_t n = recv(client, message, sizeof message - 1, 0);
            if (n <= 0) {
                close(client);
                client = -1;
                continue;
            }
            transport->Resume();
            const std::string reply = responder.Command(std::string(message, n));
            send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
    }
}

}  // namespace
}  // namespace upsconfig::kernelhid

int main(int argc, char** argv) {
    bool usb = false, shortReplies = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--usb") {
            usb = true;
        } else if (option == "--short-replies") {
            // The failing control: no command can switch it off.
            shortReplies = true;
        } else {
            std::fprintf(stderr, "usage: %s [--usb] [--short-replies]\n", argv[0]);
            return 2;
        }
    }
    return upsconfig::kernelhid::Run(usb, shortReplies);
}
