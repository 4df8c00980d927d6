// Runs inside the guest: the real hidapi backend, HidLink and the report layer against the
// simulated unit behind a kernel HID device. What the unit holds comes from the responder
// over its control socket, never from the backend under test.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "UnitState.h"
#include "device/HidLink.h"
#include "device/HidapiBackend.h"
#include "device/ReportLayer.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::kernelhid {
namespace {

using Data = std::array<std::uint8_t, 4>;
using Clock = std::chrono::steady_clock;

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

    UnitState State() {
        const std::string text = Send("state");
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

Data Slice(const SettingsImage& image, std::size_t offset) {
    return {image.bytes[offset], image.bytes[offset + 1], image.bytes[offset + 2],
            image.bytes[offset + 3]};
}

std::vector<std::string> UnitPaths(HidapiBackend& backend, std::uint16_t productId) {
    std::vector<std::string> paths;
    for (const HidInterface& i : backend.Enumerate()) {
        if (i.vendorId == kUpsVendorId && i.productId == productId) paths.push_back(i.path);
    }
    return paths;
}

// The kernel refuses with EIO both a request it gave up on and a write the unit refused.
::testing::AssertionResult KeepsTheKernelsReason(const HidLink& link) {
    const std::string reason = link.LastFailure();
    if (reason.find("Input/output error") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the link's reason: \"" << reason << '"';
}

class KernelHid : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(control.Send("normal"), "ok");
        control.State();  // starts the unit's transfer log afresh
        link.SetIds(kUpsVendorId, kUpsProductId);
        layer.SetListener(&listener);
    }

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

TEST_F(KernelHid, FindsTheUnitByItsIdsWithTheFeatureLengthOfItsDescriptor) {
    const auto paths = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_TRUE(paths[0].starts_with("/dev/hidraw")) << paths[0];
    ASSERT_TRUE(Backend().Open(paths[0]));
    EXPECT_EQ(Backend().FeatureReportLength(), 5u);  // report id + 4 data bytes per report
    Backend().Close();
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

TEST_F(KernelHid, UnansweredReadFailsAfterTheKernelTimeoutAndTheLinkRecovers) {
    Data data{};
    ASSERT_EQ(control.Send("mute 3e"), "ok");
    const auto start = Clock::now();
    EXPECT_FALSE(link.ReadReport(0x3E, data));
    EXPECT_GE(Clock::now() - start, std::chrono::seconds(4));  // the kernel waits about 5 s
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(KeepsTheKernelsReason(link));
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
    EXPECT_TRUE(KeepsTheKernelsReason(link));
    EXPECT_EQ(Slice(control.State().image, 14), held);
    ASSERT_EQ(control.Send("refuse-writes off"), "ok");
    EXPECT_TRUE(link.WriteReport(0x3D, changed));
    EXPECT_EQ(Slice(control.State().image, 14), changed);
}

// Last: the unit comes back under another node than the one it started on.
TEST_F(KernelHid, UnplugDuringAReadThenReplugUnderAnotherNode) {
    Data data{};
    ASSERT_TRUE(link.ReadReport(0x32, data));
    const auto before = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(before.size(), 1u);

    ASSERT_EQ(control.Send("unplug-on-get 32"), "ok");
    EXPECT_FALSE(link.ReadReport(0x32, data));
    EXPECT_FALSE(link.Connected());
    EXPECT_TRUE(UnitPaths(Backend(), kUpsProductId).empty());
    EXPECT_FALSE(link.ReadReport(0x32, data));  // nothing to find while it is away

    ASSERT_EQ(control.Send("replug"), "ok");
    const auto after = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after[0], before[0]);
    EXPECT_EQ(UnitPaths(Backend(), 0x0001).size(), 1u);  // listed, same maker, not ours
    ASSERT_TRUE(link.ReadReport(0x32, data));
    EXPECT_EQ(data, Slice(control.State().image, 0));
}

// After the replug: the tool as a user starts it, with the unit under another node and another
// unit of the maker listed beside it. Judged by the unit's log: the start-up read, the reload
// before the window shows, then a status read of the monitor, and the tool still running.
TEST_F(KernelHid, TheToolStartsUpOnTheUnitAndWritesNothing) {
    const char* tool = "/bin/upsconfig";
    if (access(tool, X_OK) != 0) GTEST_SKIP() << "the tool is not in this guest";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("HOME", "/tmp", 1);  // somewhere to keep the font cache
        execl(tool, tool, static_cast<char*>(nullptr));
        _exit(127);
    }
    std::vector<std::uint8_t> reads, writes;
    const auto seen = [&](std::uint8_t id) { return std::count(reads.begin(), reads.end(), id); };
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    bool running = true;
    while (running && Clock::now() < deadline && !(seen(0x44) >= 2 && seen(0x33) >= 1)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const UnitState unit = control.State();
        reads.insert(reads.end(), unit.reads.begin(), unit.reads.end());
        writes.insert(writes.end(), unit.writes.begin(), unit.writes.end());
        running = waitpid(pid, nullptr, WNOHANG) == 0;
    }
    EXPECT_TRUE(running) << "the tool ended during start-up";
    EXPECT_EQ(seen(0x01), 2);  // start-up read and reload; more would mean a failed pass
    EXPECT_GE(seen(0x33), 1);
    EXPECT_TRUE(writes.empty());
    if (running) kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// The command line through the real backend: what status tells, and an apply that the unit
// takes and the command line verifies.
TEST_F(KernelHid, TheCommandLineReadsAndAppliesThroughTheRealBackend) {
    const std::string cli = "/bin/upsconfig-cli";
    if (access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "the command line is not in this guest";
    setenv("XDG_DATA_HOME", "/tmp/data", 1);  // its backups
    const auto run = [&](const std::string& args, std::string& out) {
        out.clear();
        FILE* pipe = popen((cli + " " + args + " 2>&1").c_str(), "r");
        if (pipe == nullptr) return -1;
        char chunk[4096];
        for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
            out.append(chunk, n);
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const UnitState before = control.State();
    std::string out;
    EXPECT_EQ(run("--json status", out), 0) << out;
    const unsigned model = GetField(before.image, FieldId::bModelCode);
    EXPECT_NE(out.find("\"code\": " + std::to_string(model)), std::string::npos) << out;
    EXPECT_NE(out.find("/dev/hidraw"), std::string::npos) << out;

    SettingsImage wanted = before.image;
    SetField(wanted, FieldId::bAlarmCtrl, GetField(before.image, FieldId::bAlarmCtrl) ^ 1u);
    ASSERT_TRUE(WriteSettingsFile("/tmp/wanted.kvr", wanted));
    EXPECT_EQ(run("--json apply /tmp/wanted.kvr --yes", out), 0) << out;
    EXPECT_NE(out.find("\"verified\": true"), std::string::npos) << out;
    EXPECT_EQ(GetField(control.State().image, FieldId::bAlarmCtrl),
              GetField(wanted, FieldId::bAlarmCtrl));
}

}  // namespace
}  // namespace upsconfig::kernelhid
