// Runs inside the guest: the real hidapi backend, HidLink and the report layer against the
// simulated unit behind a kernel HID device. What the unit holds comes from the responder
// over its control socket, never from the backend under test. The same cases run over uhid and
// over USB (hidapi's hidraw variant, and its libusb variant in a build of its own); what
// differs by the way the unit is attached stands in Way below.

#include <gtest/gtest.h>
#include <hidapi.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "KernelHidSupport.h"
#include "Transport.h"
#include "UnitState.h"
#include "device/Diagnosis.h"
#include "device/HidLink.h"
#include "device/HidapiBackend.h"
#include "device/InterfaceSelection.h"
#include "device/Protocol.h"
#include "device/ReportLayer.h"
#include "settingsfile/Backups.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::kernelhid {
namespace {

TEST_F(KernelHid, FindsTheUnitByItsIdsWithTheFeatureLengthOfItsDescriptor) {
    const Way& way = ThisWay();
    const auto paths = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_TRUE(paths[0].starts_with(way.pathPrefix)) << way.name << ": " << paths[0];
    ASSERT_TRUE(Backend().Open(paths[0])) << Backend().LastOpenFailure().text;
    EXPECT_EQ(Backend().FeatureReportLength(), 5u)  // report id + 4 data bytes per report
        << Backend().LastError();
    Backend().Close();

    // What hidapi itself lists differs by the way the unit is attached.
    hid_device_info* all = hid_enumerate(kUpsVendorId, kUpsProductId);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->interface_number, way.interfaceNumber) << way.name;
    const std::wstring manufacturer =
        all->manufacturer_string ? all->manufacturer_string : L"(none)";
    const std::string expected = way.manufacturer;
    EXPECT_EQ(manufacturer, std::wstring(expected.begin(), expected.end())) << way.name;
    hid_free_enumeration(all);
}

TEST_F(KernelHid, ReadsWhatTheUnitHolds) {
    layer.ReadAllReports();
    layer.Flags().keepPolling = 1;
    layer.ReadStatus();
    const UnitState unit = control.State();
    EXPECT_TRUE(layer.Connected());
    EXPECT_EQ(layer.Image(), unit.image);
    EXPECT_EQ(listener.versions, unit.versions);
    EXPECT_EQ(listener.startupSeconds, unit.startupSeconds);
    EXPECT_EQ(layer.Flags().upsOn.load(), unit.online);
    EXPECT_EQ(layer.Flags().outlet1On.load(), unit.outlet1On);
    EXPECT_EQ(layer.Flags().outlet2On.load(), unit.outlet2On);
    const std::vector<std::uint8_t> everyReport{0x01, 0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40,
                                                0x41, 0x42, 0x43, 0x44, 0x33, 0x09};
    EXPECT_EQ(unit.reads, everyReport);  // each read once: none failed on the way
}

TEST_F(KernelHid, WritesChangedSettingsWithTheSummaryBookkeeping) {
    layer.ReadAllReports();
    const SettingsImage old = layer.Image();
    SettingsImage changed = old;
    for (std::size_t i = 0; i < SettingsImage::kSize; ++i) {
        // Every settings byte and the summary report's settings; not its bookkeeping bytes,
        // the model code or the spare byte.
        if (i >= 6 && i <= 9) continue;
        changed.bytes[i] = static_cast<std::uint8_t>(~changed.bytes[i]);
    }
    control.State();
    layer.WriteReports(changed, old);
    const UnitState unit = control.State();
    EXPECT_TRUE(layer.Connected());
    EXPECT_EQ(unit.writes, (std::vector<std::uint8_t>{0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41,
                                                      0x42, 0x43, 0x44}));
    ASSERT_TRUE(unit.lastSummaryWrite);
    EXPECT_EQ(*unit.lastSummaryWrite, (Data{changed.bytes[4], changed.bytes[5],
                                            static_cast<std::uint8_t>(old.bytes[6] | 0x03), 0xFF}));
    SettingsImage expected = changed;
    expected.bytes[6] = unit.image.bytes[6];  // the unit's own bookkeeping after the pass
    expected.bytes[7] = unit.image.bytes[7];
    EXPECT_EQ(unit.image, expected);
    layer.ReadSettings();
    EXPECT_EQ(layer.Image(), control.State().image);
}

TEST_F(KernelHid, CarriesOutOutletAndBatteryTestCommands) {
    layer.TurnOutletOff(1);
    layer.TurnOutletOn(2);
    UnitState unit = control.State();
    EXPECT_FALSE(unit.outlet1On);
    EXPECT_TRUE(unit.outlet2On);
    EXPECT_EQ(unit.writes, (std::vector<std::uint8_t>{0x44, 0x44}));
    layer.Flags().keepPolling = 1;
    layer.ReadStatus();
    EXPECT_EQ(layer.Flags().outlet1On.load(), 0);
    EXPECT_EQ(layer.Flags().outlet2On.load(), 1);

    // A command sends report 0x44 back as read, with only its command bits added.
    const Data read = Slice(unit.image, 4);
    layer.RebootOutlet(2);
    unit = control.State();
    ASSERT_TRUE(unit.lastSummaryWrite);
    EXPECT_EQ(*unit.lastSummaryWrite,
              (Data{read[0], read[1], static_cast<std::uint8_t>(read[2] | 0x30), read[3]}));

    layer.StartBatteryTest();
    EXPECT_EQ(control.State().batteryTest, 1);
    layer.TerminateBatteryTest();
    EXPECT_EQ(control.State().batteryTest, 3);
    EXPECT_TRUE(layer.Connected());
}

TEST_F(KernelHid, ShortReplyIsAFailedReadNeverShiftedOrStaleData) {
    Data data{};
    ASSERT_TRUE(link.ReadReport(0x32, data));
    ASSERT_EQ(control.Send("short on"), "ok");
    for (std::uint8_t id : {0x01, 0x3C}) {
        data = {0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_FALSE(link.ReadReport(id, data)) << int(id);
        EXPECT_EQ(data, (Data{0xEE, 0xEE, 0xEE, 0xEE})) << int(id);
        EXPECT_FALSE(link.Connected());
        EXPECT_NE(link.LastFailure(), "");
    }
    ASSERT_EQ(control.Send("short off"), "ok");
    ASSERT_TRUE(link.ReadReport(0x3C, data));
    EXPECT_EQ(data, Slice(control.State().image, 10));
}

// The kernel waits about 5 s for the answer (uhid, usbhid), hidapi's libusb variant 1 s.
TEST_F(KernelHid, UnansweredReadFailsAfterTheHostsTimeoutAndTheLinkRecovers) {
    const Way& way = ThisWay();
    Data data{};
    ASSERT_EQ(control.Send(way.mute), "ok");
    const auto start = Clock::now();
    EXPECT_FALSE(link.ReadReport(0x3E, data));
    const auto took = Clock::now() - start;
    EXPECT_GE(took, way.timeoutAtLeast) << way.name;
    EXPECT_LE(took, way.timeoutAtMost) << way.name;
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(KeepsTheKernelsReason(link, way.timeoutWords));
    ASSERT_EQ(control.Send("mute off"), "ok");
    ASSERT_TRUE(link.ReadReport(0x3E, data));
    EXPECT_EQ(data, Slice(control.State().image, 18));
}

TEST_F(KernelHid, RefusedWriteFailsAndTheUnitKeepsItsSettings) {
    Data held{};
    ASSERT_TRUE(link.ReadReport(0x3D, held));
    const Data changed{1, 2, 3, 4};
    ASSERT_EQ(control.Send("refuse-writes on"), "ok");
    EXPECT_FALSE(link.WriteReport(0x3D, changed));
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(KeepsTheKernelsReason(link, ThisWay().refusedWords));
    EXPECT_EQ(Slice(control.State().image, 14), held);
    ASSERT_EQ(control.Send("refuse-writes off"), "ok");
    EXPECT_TRUE(link.WriteReport(0x3D, changed));
    EXPECT_EQ(Slice(control.State().image, 14), changed);
}

// The reasons a person reads come from the kernel and hidapi: a node that is not there, one this
// user may not open (root's node, opened as nobody), and the serial the device carries.
TEST_F(KernelHid, OpenFailuresKeepTheirKindAndTheDiagnosisSaysWhich) {
    if (kLibusb) GTEST_SKIP() << "device nodes are hidraw's";
    const auto paths = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(paths.size(), 1u);
    for (const HidInterface& i : Backend().Enumerate()) {
        if (i.path == paths[0]) {
            EXPECT_EQ(i.serial, UnitSerial(kFirstUnit));
        }
    }
    EXPECT_FALSE(Backend().Open("/dev/hidraw-none"));
    EXPECT_EQ(Backend().LastOpenFailure().kind, OpenFailure::Kind::Gone);
    EXPECT_EQ(Backend().LastOpenFailure().error, ENOENT);
    EXPECT_NE(Backend().LastOpenFailure().text, "");

    const Diagnosis reachable = Diagnose(Backend(), HostView{}, paths[0]);
    EXPECT_EQ(reachable.verdict, Verdict::Reachable);
    ASSERT_EQ(reachable.reasons.size(), 1u);
    EXPECT_EQ(reachable.reasons[0].featureLength, 5u);

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const uid_t nobody = 65534;
        if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(2);
        HidapiBackend backend;
        const Diagnosis denied = Diagnose(backend, HostView{}, {});
        const bool ok = denied.verdict == Verdict::PermissionDenied &&
                        backend.LastOpenFailure().error == EACCES &&
                        denied.reasons.at(0).detail.find("mode 0600") != std::string::npos;
        if (!ok && !denied.reasons.empty())
            std::fprintf(stderr, "%s\n", denied.reasons[0].detail.c_str());
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// --device by the serial each unit carries (the USB serial string, uhid's uniq): the link on the
// selection reads from the second unit only, and so does the command line.
TEST_F(KernelHid, TheSerialChoosesBetweenTwoUnits) {
    ASSERT_EQ(control.Send("second on"), "ok");
    control.State("2");
    std::vector<std::string> serials;
    for (const HidInterface& i : Units(Backend(), kUpsProductId, 2))
        serials.push_back(i.serial);
    std::sort(serials.begin(), serials.end());
    EXPECT_EQ(serials, (std::vector<std::string>{UnitSerial(kFirstUnit), UnitSerial(kSecondUnit)}));

    SelectedBackend second(Backend(), UnitSerial(kSecondUnit));
    HidLink secondLink(second);
    secondLink.SetIds(kUpsVendorId, kUpsProductId);
    Data data{};
    EXPECT_TRUE(secondLink.ReadReport(0x01, data)) << secondLink.LastFailure();
    second.Close();
    EXPECT_EQ(control.State("2").reads, std::vector<std::uint8_t>{0x01});
    EXPECT_TRUE(control.State().reads.empty());

    std::string out;
    if (RunCli("--device " + std::string(UnitSerial(kSecondUnit)) + " status", out) != -2) {
        EXPECT_FALSE(control.State("2").reads.empty()) << out;
        EXPECT_TRUE(control.State().reads.empty()) << out;
    }
    ASSERT_EQ(control.Send("second off"), "ok");
}

// Last: the unit comes back as a replugged one: under another node (uhid), with a new USB device
// number (USB).
TEST_F(KernelHid, UnplugDuringAReadThenReplug) {
    Data data{};
    ASSERT_TRUE(link.ReadReport(0x32, data));
    const auto before = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(before.size(), 1u);
    const int numberBefore = UsbDeviceNumber();

    ASSERT_EQ(control.Send("unplug-on-get 32"), "ok");
    EXPECT_FALSE(link.ReadReport(0x32, data));
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(UnitPaths(Backend(), kUpsProductId, 0).empty());
    EXPECT_FALSE(link.ReadReport(0x32, data));  // nothing to find while it is away

    ASSERT_EQ(control.Send("replug"), "ok");
    const auto after = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(after.size(), 1u);
    if (ThisWay().usb) {
        EXPECT_NE(UsbDeviceNumber(), numberBefore);
    } else {
        EXPECT_NE(after[0], before[0]);
        EXPECT_EQ(UnitPaths(Backend(), 0x0001).size(), 1u);  // listed, same maker, not ours
    }
    ASSERT_TRUE(link.ReadReport(0x32, data));
    EXPECT_EQ(data, Slice(control.State().image, 0));
}

}  // namespace
}  // namespace upsconfig::kernelhid
