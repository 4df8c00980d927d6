#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "cli/Json.h"
#include "cli/ListProbe.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/TestFiles.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

// A scratch root with sysfs, the udev rule folder and the seats folder of a machine, empty.
class FakeHost {
  public:
    FakeHost() : root_(support::UniqueFolder("upsconfig-probe")) {
        fs::create_directories(root_ / "sys/bus/usb/devices");
        fs::create_directories(root_ / "rules");
        fs::create_directories(root_ / "seats");
    }
    ~FakeHost() { support::RemoveTree(root_); }

    // A USB device with the units' vendor id; one interface bound to driver, with a hidraw node
    // below it or not.
    void AddUsbDevice(const std::string& name, const std::string& driver, bool hidraw) {
        const fs::path device = root_ / "sys/bus/usb/devices" / name;
        const fs::path interface = device / (name + ":1.0");
        fs::create_directories(interface);
        Write(device / "idVendor", Hex(kUpsVendorId));
        Write(device / "idProduct", Hex(kUpsProductId));
        fs::create_symlink("../../../bus/usb/drivers/" + driver, interface / "driver");
        if (hidraw) fs::create_directories(interface / "0003:1209:0000.0001/hidraw/hidraw0");
    }
    void InstallRule(const std::string& text) { Write(root_ / "rules/70-upsconfig.rules", text); }

    // The machine's view on the system whose fixes are told, whichever this one is.
    ProbeOptions Options(bool json, platform::System system = platform::System::Posix) const {
        ProbeOptions options;
        options.json = json;
        options.host = {(root_ / "sys").string(),
                        {(root_ / "rules").string()},
                        (root_ / "seats").string(),
                        "",
                        system};
        return options;
    }

    static std::string Hex(std::uint16_t id) {
        char text[8];
        std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id));
        return text;
    }

  private:
    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file) << text << "\n";
    }

    fs::path root_;
};

const std::string kPath = SimulatedUps::kDefaultPath;

TEST(ProbeTest, EachReasonWithItsExitCodeAndFixInTextAndJson) {
    const struct Case {
        const char* name;
        std::function<void(SimulatedUps&, FakeHost&)> setUp;
        const char* verdict;
        int exitCode;
        const char* fix;  // a piece of the text that tells the person what to do
        platform::System system = platform::System::Posix;
    } cases[] = {
        {"reachable", [](SimulatedUps&, FakeHost&) {}, "reachable", 0,
         "feature reports are 5 bytes"},
        {"no node", [](SimulatedUps& ups, FakeHost&) { ups.Unplug(); }, "no_interface", 3,
         "'lsusb' lists it as ID"},
        {"held by another driver",
         [](SimulatedUps& ups, FakeHost& host) {
             ups.Unplug();
             host.AddUsbDevice("1-1", "usbhid", true);  // one with its node is no suspect
             host.AddUsbDevice("1-2", "usbfs", false);
         },
         "held_by_driver", 3, "echo 1-2:1.0 | sudo tee /sys/bus/usb/drivers/usbhid/bind"},
        {"other product id",
         [](SimulatedUps& ups, FakeHost&) {
             ups.SetInterfaceIds(kPath, kUpsVendorId, kUpsProductId ^ 1);
         },
         "no_interface", 3, "-DUPSCONFIG_PRODUCT_ID=0x"},
        {"permission denied, no rule installed",
         [](SimulatedUps& ups, FakeHost&) {
             ups.FailOpen(kPath,
                          {OpenFailure::Kind::PermissionDenied, EACCES, "Permission denied"});
         },
         "permission_denied", 4, "Install the udev rule 70-upsconfig.rules"},
        {"permission denied, seat rule on a machine without a seat",
         [](SimulatedUps& ups, FakeHost& host) {
             host.InstallRule("SUBSYSTEM==\"hidraw\", TAG+=\"uaccess\"");
             ups.FailOpen(kPath,
                          {OpenFailure::Kind::PermissionDenied, EACCES, "Permission denied"});
         },
         "permission_denied", 4, "usermod -aG plugdev"},
        {"busy",
         [](SimulatedUps& ups, FakeHost&) {
             ups.FailOpen(kPath, {OpenFailure::Kind::Busy, EBUSY, "Device or resource busy"});
         },
         "busy", 4, "fuser -v sim:ups0"},
        {"report descriptor not to be had",
         [](SimulatedUps& ups, FakeHost&) { ups.SetReportDescriptor({}); }, "no_descriptor", 4,
         "does not give its report descriptor"},
        {"descriptor without a feature report",
         [](SimulatedUps& ups, FakeHost&) { ups.SetReportDescriptor({0xC0}); }, "length_refused", 4,
         "feature-report length is unknown"},
        // Windows: no sysfs, rules or seats, only the system's own error and Device Manager.
        {"Windows: not listed", [](SimulatedUps& ups, FakeHost&) { ups.Unplug(); }, "no_interface",
         3, "Human Interface Devices with the hardware id HID", platform::System::Windows},
        {"Windows: access denied",
         [](SimulatedUps& ups, FakeHost&) {
             ups.FailOpen(kPath, {OpenFailure::Kind::PermissionDenied, 5, "Access is denied"});
         },
         "permission_denied", 4, "holds it for itself or a policy", platform::System::Windows},
        {"Windows: held by another program",
         [](SimulatedUps& ups, FakeHost&) {
             ups.FailOpen(kPath, {OpenFailure::Kind::Busy, 32, "The process cannot access"});
         },
         "busy", 4, "(other UPS software, or its service)", platform::System::Windows},
    };
    for (const Case& c : cases) {
        // The driver of a USB device is a link in sysfs.
        if (c.verdict == std::string("held_by_driver") && !support::WhyNoSymlinks().empty())
            continue;
        SCOPED_TRACE(c.name);
        for (const bool json : {false, true}) {
            SimulatedUps ups;
            FakeHost host;
            c.setUp(ups, host);
            std::ostringstream out;
            Json result = Json::object();
            const ProbeOutcome outcome = RunProbe(ups, host.Options(json, c.system), result, out);
            EXPECT_EQ(outcome.exitCode, c.exitCode);
            EXPECT_EQ(outcome.message.empty(), c.exitCode == 0) << outcome.message;
            const std::string shown = json ? DumpJson(result) : out.str();
            EXPECT_THAT(shown, HasSubstr(c.fix)) << shown;
            EXPECT_THAT(shown, HasSubstr(json ? "\"verdict\": \"" + std::string(c.verdict) + "\""
                                              : "Verdict: " + std::string(c.verdict)));
            EXPECT_EQ(out.str().empty(), json);
            EXPECT_EQ(ups.OpenPath(), "");  // nothing left open
            if (c.system == platform::System::Windows) {
                for (const char* posix : {"sudo", "lsusb", "udev", "/sys"})
                    EXPECT_THAT(shown, Not(HasSubstr(posix)));
            }
        }
    }
}

// --device picks one unit by path or serial; each listed unit is opened for its model code.
TEST(ListTest, UnitsWithModelOrWhyNotAndDeviceSelection) {
    SimulatedUps ups;
    ups.Unit().SetModelCode(3);
    ups.SetInterfaceSerial(kPath, "SN-1");
    ups.AddInterface("sim:ups1", kUpsVendorId, kUpsProductId);
    ups.FailOpen("sim:ups1", {OpenFailure::Kind::PermissionDenied, EACCES, "Permission denied"});
    ups.AddInterface("sim:ups2", kUpsVendorId, kUpsProductId, std::vector<std::uint8_t>{});
    ups.AddInterface("sim:other", kUpsVendorId, kUpsProductId ^ 1);
    FakeHost host;
    support::FakePauser pauser;

    ProbeOptions options = host.Options(true);
    options.pauser = pauser.AsPauser();
    Json result = Json::object();
    std::ostringstream out;
    EXPECT_EQ(RunList(ups, options, result, out).exitCode, 0);
    const std::string json = DumpJson(result);
    const auto at = [&](const char* path) { return json.substr(json.find(path)); };
    EXPECT_THAT(at("sim:ups0"), HasSubstr("\"serial\": \"SN-1\""));
    EXPECT_THAT(at("sim:ups0"), HasSubstr("\"model_code\": 3"));
    EXPECT_THAT(at("sim:ups1"), HasSubstr("\"open_error\": \"Permission denied"));
    EXPECT_THAT(at("sim:ups2"), HasSubstr("report descriptor could not be had"));
    EXPECT_THAT(at("sim:other"), HasSubstr("\"is_unit\": false"));

    options.json = false;
    for (const std::string device : {"SN-1", "sim:ups0"}) {
        options.device = device;
        std::ostringstream text;
        EXPECT_EQ(RunList(ups, options, result, text).exitCode, 0);
        EXPECT_THAT(text.str(), HasSubstr("sim:ups0  " + FakeHost::Hex(kUpsVendorId) + ":" +
                                          FakeHost::Hex(kUpsProductId) + "  serial SN-1  model 3"));
        EXPECT_THAT(text.str(), Not(HasSubstr("sim:ups1")));
    }
    options.device = "SN-2";
    const ProbeOutcome none = RunList(ups, options, result, out);
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_THAT(none.message, HasSubstr("upsconfig-cli probe"));
}

}  // namespace
}  // namespace upsconfig
