// The programs of the guest on the kernel device: the tool itself, the command line through the
// real backend, and the Windows command line through Wine's HID stack.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "KernelHidSupport.h"
#include "device/Diagnosis.h"
#include "device/InterfaceSelection.h"
#include "device/Protocol.h"
#include "settingsfile/Backups.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::kernelhid {
namespace {

// After the replug: the tool as a user starts it, with the unit under another node and another
// unit of the maker listed beside it. Judged by the unit's log: the start-up read, the reload
// before the window shows, then a status read of the monitor, and the tool still running.
TEST_F(KernelHid, TheToolStartsUpOnTheUnitAndWritesNothing) {
    const char* tool = "/bin/upsconfig";
    if (kToolOfOtherVariant || access(tool, X_OK) != 0)
        GTEST_SKIP() << "the tool is not in this guest";
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
    std::string out;
    if (RunCli("--version", out) == -2) GTEST_SKIP() << "the command line is not in this guest";
    const UnitState before = control.State();
    EXPECT_EQ(RunCli("--json status", out), 0) << out;
    const unsigned model = GetField(before.image, FieldId::bModelCode);
    EXPECT_NE(out.find("\"code\": " + std::to_string(model)), std::string::npos) << out;
    EXPECT_NE(out.find(ThisWay().pathPrefix), std::string::npos) << out;
    // The unit by the serial the kernel device carries, and the diagnosis of a reachable unit.
    EXPECT_EQ(RunCli("--device kernel-hid-test status", out), 0) << out;
    EXPECT_EQ(RunCli("--json probe", out), 0) << out;
    EXPECT_NE(out.find("\"verdict\": \"reachable\""), std::string::npos) << out;

    SettingsImage wanted = before.image;
    SetField(wanted, FieldId::bAlarmCtrl, GetField(before.image, FieldId::bAlarmCtrl) ^ 1u);
    ASSERT_TRUE(WriteSettingsFile("/tmp/wanted.kvr", wanted));
    EXPECT_EQ(RunCli("--json apply /tmp/wanted.kvr --yes", out), 0) << out;
    EXPECT_NE(out.find("\"verified\": true"), std::string::npos) << out;
    EXPECT_EQ(GetField(control.State().image, FieldId::bAlarmCtrl),
              GetField(wanted, FieldId::bAlarmCtrl));
}

// The unit's node is its lock for every program that writes: held by another program (as the
// window holds it), a write is refused with the holder named and nothing sent; let go, it is made.
TEST_F(KernelHid, TheNodeIsTheUnitsLockForEveryWriter) {
    std::string out;
    if (RunCli("--version", out) == -2) GTEST_SKIP() << "the command line is not in this guest";
    const auto paths = UnitPaths(Backend(), kUpsProductId);
    ASSERT_EQ(paths.size(), 1u);
    const int node = open(paths[0].c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(node, 0) << paths[0];
    ASSERT_EQ(flock(node, LOCK_EX | LOCK_NB), 0);
    const unsigned alarm = GetField(control.State().image, FieldId::bAlarmCtrl);
    const std::string set = "set bAlarmCtrl=" + std::to_string(alarm ^ 1u) + " --yes";
    EXPECT_EQ(RunCli(set, out), 4) << out;
    EXPECT_NE(out.find("in use by kernel-hid-test, pid " + std::to_string(getpid())),
              std::string::npos)
        << out;
    EXPECT_TRUE(control.State().writes.empty());
    close(node);
    EXPECT_EQ(RunCli(set, out), 0) << out;
    EXPECT_EQ(GetField(control.State().image, FieldId::bAlarmCtrl), alarm ^ 1u);
}

// upsconfig-cli.exe on the Windows backend through Wine's HID stack (SetupDi, HidD, HidP, the
// feature ioctl) and the kernel device, judged by the unit's own log of transfers: status reads
// and writes nothing; probe and list find the unit; apply writes the report that holds the change
// and the summary, and reads every settings report back.
TEST_F(KernelHid, TheWindowsCommandLineReadsAndAppliesThroughWinesHidStack) {
    std::string out;
    if (std::getenv("UPS_WINE_PREFIX") == nullptr)
        GTEST_SKIP() << "the Windows command line is not in this guest";
    const UnitState before = control.State();
    ASSERT_EQ(RunWindowsCli("--json status", out), 0) << out;
    const unsigned model = GetField(before.image, FieldId::bModelCode);
    EXPECT_NE(out.find("\"code\": " + std::to_string(model)), std::string::npos) << out;
    // The interface path SetupDi gave, which spells the ids.
    const std::string ids = "vid_" + IdText(kUpsVendorId) + "&pid_" + IdText(kUpsProductId);
    EXPECT_NE(out.find("hid#" + ids), std::string::npos) << out;
    const UnitState status = control.State();
    EXPECT_TRUE(status.writes.empty());
    for (const std::uint8_t id :
         {protocol::kIdentification, protocol::kSettings, protocol::kStatus})
        EXPECT_NE(std::ranges::count(status.reads, id), 0) << int(id);
    // The diagnosis and the list see the unit as Windows lists it.
    EXPECT_EQ(RunWindowsCli("--json probe", out), 0) << out;
    EXPECT_NE(out.find("\"verdict\": \"reachable\""), std::string::npos) << out;
    EXPECT_EQ(RunWindowsCli("--json list", out), 0) << out;
    EXPECT_NE(out.find("\"model_code\": " + std::to_string(model)), std::string::npos) << out;

    // Its backups go to the user's LOCALAPPDATA in the prefix, one folder per unit.
    const std::filesystem::path backups =
        std::filesystem::path("/merged") /
        std::filesystem::path(std::getenv("UPS_WINE_PREFIX")).relative_path() /
        "drive_c/users/root/AppData/Local/upsconfig/backups" /
        BackupUnitName(static_cast<int>(model), "kernel-hid-test", false);
    const auto kept = [&backups] {
        std::error_code error;
        std::ptrdiff_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(backups, error))
            count += entry.path().extension() == ".kvr" ? 1 : 0;
        return count;
    };
    const std::ptrdiff_t keptBefore = kept();

    SettingsImage wanted = before.image;
    SetField(wanted, FieldId::bAlarmCtrl, GetField(before.image, FieldId::bAlarmCtrl) ^ 1u);
    ASSERT_TRUE(WriteSettingsFile("/merged/tmp/wanted.kvr", wanted));
    EXPECT_EQ(RunWindowsCli("--json apply Z:/tmp/wanted.kvr --yes", out), 0) << out;
    EXPECT_NE(out.find("\"verified\": true"), std::string::npos) << out;
    const UnitState applied = control.State();
    const std::size_t byte = Field(FieldId::bAlarmCtrl).byte;
    std::uint8_t holder = 0;
    for (const protocol::SettingsReport& report : protocol::kSettingsReports) {
        const std::size_t first = *protocol::ImageOffset(report.id);
        if (first <= byte && byte < first + 4) holder = report.id;
    }
    EXPECT_EQ(applied.writes, (std::vector<std::uint8_t>{holder, protocol::kSummary}));
    for (const protocol::SettingsReport& report : protocol::kSettingsReports)
        EXPECT_GE(std::ranges::count(applied.reads, report.id), 2) << int(report.id);
    EXPECT_EQ(GetField(applied.image, FieldId::bAlarmCtrl), GetField(wanted, FieldId::bAlarmCtrl));
    EXPECT_EQ(kept(), keptBefore + 1) << backups;
}

}  // namespace
}  // namespace upsconfig::kernelhid
