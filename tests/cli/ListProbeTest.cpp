#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>

#include "cli/ListProbe.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"

namespace upsconfig::cli {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

// A scratch root with sysfs, the udev rule folder and the seats folder of a machine, empty.
class FakeHost {
  public:
    FakeHost()
        : root_(fs::temp_directory_path() / ("upsconfig-probe-" + std::to_string(getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "sys/bus/usb/devices");
        fs::create_directories(root_ / "rules");
        fs::create_directories(root_ / "seats");
    }
    ~FakeHost() { fs::remove_all(root_); }

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

    ProbeOptions Options(bool json) const {
        ProbeOptions options;
        options.json = json;
        options.sysfsRoot = (root_ / "sys").string();
        options.ruleDirs = {(root_ / "rules").string()};
        options.seatsDir = (root_ / "seats").string();
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
        {"feature length unknown",
         [](SimulatedUps& ups, FakeHost&) { ups.SetReportDescriptor({}); }, "length_refused", 4,
         "feature-report length is unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool json : {false, true}) {
            SimulatedUps ups;
            FakeHost host;
            c.setUp(ups, host);
            std::ostringstream out, err;
            EXPECT_EQ(RunProbe(ups, host.Options(json), out, err), c.exitCode);
            const std::string fixInJson =
                std::regex_replace(c.fix, std::regex("\""), "\\\"");  // quoted as JSON quotes it
            EXPECT_THAT(out.str(), HasSubstr(json ? fixInJson : c.fix)) << out.str();
            if (json) {
                EXPECT_THAT(out.str(),
                            HasSubstr(std::string("\"verdict\": \"") + c.verdict + "\""));
                EXPECT_THAT(out.str(),
                            HasSubstr(c.exitCode == 0 ? "\"ok\": true" : "\"ok\": false"));
                if (c.exitCode != 0) {
                    EXPECT_THAT(out.str(),
                                HasSubstr("\"exit_code\": " + std::to_string(c.exitCode)));
                }
            } else {
                EXPECT_THAT(out.str(), HasSubstr(std::string("Verdict: ") + c.verdict));
            }
            EXPECT_EQ(ups.OpenPath(), "");  // nothing left open
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
    ups.AddInterface("sim:other", kUpsVendorId, kUpsProductId ^ 1);
    FakeHost host;
    support::FakePauser pauser;

    ProbeOptions options = host.Options(true);
    options.pauser = pauser.AsPauser();
    std::ostringstream out, err;
    EXPECT_EQ(RunList(ups, options, out, err), 0);
    EXPECT_THAT(out.str(), HasSubstr("\"path\": \"sim:ups0\", \"vendor_id\": \"0x" +
                                     FakeHost::Hex(kUpsVendorId) + "\""));
    EXPECT_THAT(out.str(), HasSubstr("\"serial\": \"SN-1\", \"is_unit\": true, \"opened\": true, "
                                     "\"open_error\": null, \"model_code\": 3"));
    EXPECT_THAT(out.str(), HasSubstr("\"opened\": false, \"open_error\": \"Permission denied"));
    EXPECT_THAT(out.str(), HasSubstr("\"is_unit\": false, \"opened\": null"));

    for (const std::string device : {"SN-1", "sim:ups0"}) {
        options.device = device;
        options.json = false;
        std::ostringstream text;
        EXPECT_EQ(RunList(ups, options, text, err), 0);
        EXPECT_THAT(text.str(), HasSubstr("sim:ups0  " + FakeHost::Hex(kUpsVendorId) + ":" +
                                          FakeHost::Hex(kUpsProductId) + "  serial SN-1  model 3"));
        EXPECT_THAT(text.str(), Not(HasSubstr("sim:ups1")));
    }
    options.device = "SN-2";
    std::ostringstream none;
    EXPECT_EQ(RunList(ups, options, none, err), 3);
    EXPECT_THAT(err.str(), HasSubstr("upsconfig-cli probe"));
}

}  // namespace
}  // namespace upsconfig::cli
