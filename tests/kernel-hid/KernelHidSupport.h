#pragma once

// What the kernel HID tests lean on: the way the unit is attached, the responder's control
// channel, a listener, and the programs of the guest.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Transport.h"
#include "UnitState.h"
#include "device/HidLink.h"
#include "device/HidapiBackend.h"
#include "device/ReportLayer.h"

namespace upsconfig::kernelhid {

using Data = std::array<std::uint8_t, 4>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

#if defined(UPSCONFIG_HIDAPI_LIBUSB)
constexpr bool kLibusb = true;
#else
constexpr bool kLibusb = false;
#endif
// The tool and the command line in the guest are built on the other variant of hidapi.
#if defined(UPSCONFIG_TOOL_OF_OTHER_VARIANT)
constexpr bool kToolOfOtherVariant = true;
#else
constexpr bool kToolOfOtherVariant = false;
#endif

// What the kernel and hidapi make of the unit, by the way it is attached.
struct Way {
    const char* name;
    bool usb;
    const char* pathPrefix;
    int interfaceNumber;
    const char* manufacturer;  // the USB string; uhid has none
    // The words of a refused request (a stall on USB) and of one never answered; empty where
    // hidapi gives none.
    const char* refusedWords;
    const char* timeoutWords;
    // How long a request never answered takes to fail.
    milliseconds timeoutAtLeast;
    milliseconds timeoutAtMost;
    // The command that leaves report 0x3E unanswered. With libusb the responder leaves endpoint
    // 0 alone a little longer than hidapi's 1 s, then answers the requests of hidapi's close.
    const char* mute;
};

inline const Way& ThisWay() {
    static const Way uhid{
        .name = "uhid",
        .usb = false,
        .pathPrefix = "/dev/hidraw",
        .interfaceNumber = -1,
        .manufacturer = "",
        .refusedWords = "Input/output error",
        .timeoutWords = "Input/output error",
        .timeoutAtLeast = milliseconds(4000),
        .timeoutAtMost = milliseconds(8000),
        .mute = "mute 3e",
    };
    static const Way usbHidraw{
        .name = "USB, hidraw",
        .usb = true,
        .pathPrefix = "/dev/hidraw",
        .interfaceNumber = 0,
        .manufacturer = "upsconfig",
        .refusedWords = "Broken pipe",
        .timeoutWords = "Connection timed out",
        .timeoutAtLeast = milliseconds(4000),
        .timeoutAtMost = milliseconds(8000),
        .mute = "mute 3e",
    };
    static const Way usbLibusb{
        .name = "USB, libusb",
        .usb = true,
        .pathPrefix = "1-1:",
        .interfaceNumber = 0,
        .manufacturer = "upsconfig",
        .refusedWords = "",
        .timeoutWords = "",
        .timeoutAtLeast = milliseconds(800),
        .timeoutAtMost = milliseconds(4000),
        .mute = "mute 3e 1500",
    };
    const char* transport = std::getenv("UPS_TRANSPORT");
    if (transport == nullptr || std::string(transport) != "usb") return uhid;
    return kLibusb ? usbLibusb : usbHidraw;
}

// The USB device number the host gave the unit, from sysfs; 0 over uhid.
inline int UsbDeviceNumber() {
    std::error_code error;
    for (const auto& bus :
         std::filesystem::directory_iterator("/sys/devices/platform/dummy_hcd.0", error)) {
        const std::string name = bus.path().filename().string();
        if (!name.starts_with("usb")) continue;
        std::ifstream in(bus.path() / (name.substr(3) + "-1") / "devnum");
        int number = 0;
        if (in >> number) return number;
    }
    return 0;
}

class Control {
  public:
    Control() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", kControlSocket);
        fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~Control() {
        if (fd_ >= 0) close(fd_);
    }

    std::string Send(const std::string& command) {
        if (fd_ < 0 || send(fd_, command.data(), command.size(), MSG_NOSIGNAL) < 0)
            return "error: no control channel";
        std::string reply(1 << 16, '\0');  // room for a long log of transfers
        const ssize_t n = recv(fd_, reply.data(), reply.size(), 0);
        if (n <= 0) return "error: no reply";
        reply.resize(static_cast<std::size_t>(n));
        return reply;
    }

    // The first unit's state, or the second one's with "2".
    UnitState State(const std::string& unit = "") {
        const std::string text = Send("state " + unit);
        const auto state = ParseState(text);
        EXPECT_TRUE(state) << text;
        return state.value_or(UnitState{});
    }

  private:
    int fd_ = -1;
};

class Listener : public ReportListener {
  public:
    void ShowVersions(int hardware, int powerFirmware, int monitorFirmware) override {
        versions = {static_cast<std::uint8_t>(hardware), static_cast<std::uint8_t>(powerFirmware),
                    static_cast<std::uint8_t>(monitorFirmware)};
    }
    void ShowTimeSinceStartup(std::int32_t seconds) override { startupSeconds = seconds; }

    std::array<std::uint8_t, 3> versions{};
    std::optional<std::int32_t> startupSeconds;
};

inline Data Slice(const SettingsImage& image, std::size_t offset) {
    return {image.bytes[offset], image.bytes[offset + 1], image.bytes[offset + 2],
            image.bytes[offset + 3]};
}

// The interfaces with these ids, once there are as many as expected: libusb hears of a device
// that came or went from udevd a moment after the kernel has it.
inline std::vector<HidInterface> Units(HidapiBackend& backend, std::uint16_t productId,
                                       std::size_t expected) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    for (;;) {
        std::vector<HidInterface> units;
        for (const HidInterface& i : backend.Enumerate()) {
            if (i.vendorId == kUpsVendorId && i.productId == productId) units.push_back(i);
        }
        if (units.size() == expected || Clock::now() > deadline) return units;
        std::this_thread::sleep_for(milliseconds(20));
    }
}

inline std::vector<std::string> UnitPaths(HidapiBackend& backend, std::uint16_t productId,
                                          std::size_t expected = 1) {
    std::vector<std::string> paths;
    for (const HidInterface& i : Units(backend, productId, expected))
        paths.push_back(i.path);
    return paths;
}

// The reason the kernel gave reaches the link's words.
inline ::testing::AssertionResult KeepsTheKernelsReason(const HidLink& link, const char* words) {
    const std::string reason = link.LastFailure();
    if (!reason.empty() && reason.find(words) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ThisWay().name << ": the link's reason: \"" << reason
                                         << "\", expected \"" << words << '"';
}

// Runs the command line of this guest with args; -2 when there is none of this variant.
inline int RunCli(const std::string& args, std::string& out) {
    const std::string cli = "/bin/upsconfig-cli";
    out.clear();
    if (kToolOfOtherVariant || access(cli.c_str(), X_OK) != 0) return -2;
    setenv("XDG_DATA_HOME", "/tmp/data", 1);  // its backups
    FILE* pipe = popen((cli + " " + args + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char chunk[4096];
    for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the Windows command line through Wine in the host's files (the overlay at /merged that
// init.sh mounted) and reads what it printed; -2 when this guest has no Windows command line.
// Its output goes to a file: a pipe would stay open while Wine's background programs live.
inline int RunWindowsCli(const std::string& args, std::string& out) {
    const char* prefix = std::getenv("UPS_WINE_PREFIX");
    out.clear();
    if (prefix == nullptr) return -2;
    const std::string command = "chroot /merged /usr/bin/env WINEPREFIX=" + std::string(prefix) +
                                " WINEDEBUG=-all /usr/bin/wine /tmp/upsconfig-cli.exe " + args +
                                " >/merged/tmp/cli.out 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in("/merged/tmp/cli.out", std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class KernelHid : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(control.Send("normal"), "ok");
        control.State();  // starts the unit's transfer log afresh
        link.SetIds(kUpsVendorId, kUpsProductId);
        layer.SetListener(&listener);
    }
    // With libusb the interface is this process's alone while open: the tool and the command
    // line could not have it.
    void TearDown() override { Backend().Close(); }

    static HidapiBackend& Backend() {
        static HidapiBackend backend;  // hidapi is initialised once per process
        return backend;
    }

    Control control;
    HidLink link{Backend()};
    // The kernel device needs no time to take a report; the pauses only slow the run.
    ReportLayer layer{link, [](int) {}};
    Listener listener;
};

}  // namespace upsconfig::kernelhid
