#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <string_view>

#include "cli/CliHarness.h"
#include "session/UnitLock.h"
#include "settingsfile/Backups.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::support {
namespace {

using enum FieldId;
using Ids = std::vector<std::uint8_t>;

class CliTest : public testing::Test, public CliHarness {
  protected:
    void SetUp() override {
        bus.Unit().LoadImage(FactorySettings(3));
        bus.Unit().SetOnline(false);
    }

    // The unit's settings with one field changed, as a settings file.
    std::string FileWith(FieldId field, unsigned value) {
        SettingsImage image = bus.Unit().HeldImage();
        SetField(image, field, value);
        const auto path = Folder() / (std::string(Field(field).name) + ".kvr");
        EXPECT_TRUE(WriteSettingsFile(path, image));
        return path.string();
    }

    static bool Has(const std::string& text, std::string_view part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(CliTest, StatusAndShowFollowTheModel) {
    struct Row {
        int model;
        std::string_view shown;
        std::string_view absent;
        std::string_view line;
    };
    for (const Row& row : {Row{3, "[Outlet2]", "[Parallel]", "OutletOffAftACOffDT_A = 300 (5 min)"},
                           Row{21, "[Parallel]", "[Outlet1]", "bOutputLevel = 8 (230 V)"}}) {
        bus.Unit().LoadImage(FactorySettings(row.model));
        bus.Unit().SetOnline(true);
        bus.Unit().SetOutlet(2, false);
        const Result status = Cli({"--json", "status"});
        EXPECT_EQ(status.code, 0);
        EXPECT_TRUE(Has(status.out, "\"code\": " + std::to_string(row.model))) << status.out;
        EXPECT_TRUE(Has(status.out, "\"online\": true"));
        EXPECT_TRUE(Has(status.out, "\"2\": false"));
        const Result show = Cli({"show"});
        EXPECT_EQ(show.code, 0);
        EXPECT_TRUE(Has(show.out, row.shown)) << show.out;
        EXPECT_FALSE(Has(show.out, row.absent)) << show.out;
        EXPECT_TRUE(Has(show.out, row.line)) << show.out;
    }
    EXPECT_EQ(Cli({"--device", SimulatedUps::kDefaultPath, "status"}).code, 0);
    bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "SN-7");
    EXPECT_EQ(Cli({"--device", "SN-7", "status"}).code, 0);
    EXPECT_FALSE(AnyWrite());
}

TEST_F(CliTest, EveryExitCodeIsReached) {
    using Setup = std::function<void(CliHarness&)>;
    struct Row {
        std::string_view name;
        Setup setup;
        std::vector<std::string> args;
        int code;
        std::string_view says;
    };
    const Setup online = [](CliHarness& h) { h.bus.Unit().SetOnline(true); };
    const Row rows[] = {
        {"done", {}, {"status"}, 0, ""},
        {"file unreadable", {}, {"apply", "/nonexistent/settings.kvr", "--yes"}, 1, "read"},
        {"unknown option", {}, {"status", "--colour"}, 2, "unknown option"},
        {"unknown key", {}, {"set", "bNoSuchKey=1", "--yes"}, 2, "unknown key"},
        {"nobody to ask", {}, {"set", "bAlarmCtrl=0"}, 2, "--yes"},
        {"probe takes no arguments", {}, {"probe", "now"}, 2, "wrong number"},
        {"a wait of no number", {}, {"set", "bAlarmCtrl=0", "--wait", "soon"}, 2, "--wait takes"},
        {"a wait for a read", {}, {"status", "--wait", "1"}, 2, "not one of its options"},
        {"nothing to probe", [](CliHarness& h) { h.bus.Unplug(); }, {"probe"}, 3, ""},
        {"permission denied",
         [](CliHarness& h) {
             h.bus.FailOpen(SimulatedUps::kDefaultPath,
                            {OpenFailure::Kind::PermissionDenied, EACCES, "Permission denied"});
         },
         {"status"},
         4,
         "Permission denied"},
        {"permission denied, the seat's rule installed on a machine without a seat",
         [](CliHarness& h) {
             std::filesystem::create_directories(h.host.ruleDirs.at(0));
             std::ofstream(h.host.ruleDirs.at(0) + "/70-upsconfig.rules") << "TAG+=\"uaccess\"\n";
             h.bus.FailOpen(SimulatedUps::kDefaultPath,
                            {OpenFailure::Kind::PermissionDenied, EACCES, "Permission denied"});
         },
         {"status"},
         4,
         "this machine has none"},
        {"no interface with the ids",
         [](CliHarness& h) { h.bus.SetInterfaceIds(SimulatedUps::kDefaultPath, 0x1234, 1); },
         {"status"},
         3,
         "1209:0000"},
        {"nothing at that path", {}, {"--device", "/dev/hidraw7", "status"}, 3, "/dev/hidraw7"},
        {"feature length refused",
         [](CliHarness& h) { h.bus.SetReportDescriptor({}); },
         {"status"},
         4,
         "length"},
        {"a report given up",
         [](CliHarness& h) { h.bus.FailReport(0x3E); },
         {"show"},
         5,
         "communication lost"},
        {"standby-only change online", online, {"set", "bOutputLevel=115V", "--yes"}, 6, "standby"},
        {"value off the list", {}, {"set", "bLowBattTime=31", "--yes"}, 6, "from 2 min to 30 min"},
        {"minutes out of range", {}, {"set", "OutletOnDT_A=31min", "--yes"}, 6, "0 min to 30 min"},
        {"no tab for the page", {}, {"set", "bParalConfig=2", "--yes"}, 6, "no page"},
        {"a box the page hides on this model",
         [](CliHarness& h) { h.bus.Unit().LoadImage(FactorySettings(1)); },
         {"set", "bReverseDect=on", "--yes"},
         6,
         "does not show it"},
        {"no folder for the backup",
         [](CliHarness& h) { h.SetDataHome("/proc/version"); },
         {"set", "bAlarmCtrl=0", "--yes"},
         1,
         "Nothing was written"},
        {"no outlets on this model",
         [](CliHarness& h) { h.bus.Unit().LoadImage(FactorySettings(21)); },
         {"outlet", "1", "on"},
         6,
         "no outlet"},
        {"not held",
         [](CliHarness& h) {
             h.bus.Unit().SetStoreFilter([](std::uint8_t id, SimulatedUnit::ReportData& data) {
                 if (id == 0x3F) data[1] = 20;  // outlet 1's capacity stays
             });
         },
         {"set", "BatWeakPer_A=50", "--yes"},
         7,
         "BatWeakPer_A"},
    };
    for (const Row& row : rows) {
        CliHarness h;
        h.bus.Unit().LoadImage(FactorySettings(3));
        h.bus.Unit().SetOnline(false);
        if (row.setup) row.setup(h);
        const Result result = h.Cli(row.args);
        EXPECT_EQ(result.code, row.code) << row.name << ": " << result.err;
        EXPECT_TRUE(Has(result.err, row.says)) << row.name << ": " << result.err;
        if (row.code != 0 && row.code != 7) {
            EXPECT_FALSE(h.AnyWrite()) << row.name;
        }
    }
}

TEST_F(CliTest, AUnitAnotherProgramWritesToIsWaitedForOrLeftAlone) {
    struct Row {
        std::string_view name;
        std::vector<std::string> args;
        int code;
        std::string_view says;
        long long pausedMs = 0;  // the wait for the lock
        bool letGo = false;      // the holder lets go during the first pause
        bool plugged = true;     // else plugged in during the first pause: found by the retries
    };
    const std::vector<std::string> set = {"set", "bAlarmCtrl=0", "--yes"};
    const Row rows[] = {
        {"a write", set, 4, "(--wait SECONDS waits for it)"},
        {"an outlet command", {"outlet", "1", "on"}, 4, "nothing was sent"},
        {"a battery test", {"battery-test", "start"}, 4, "nothing was sent"},
        {"waited for in vain", {"set", "bAlarmCtrl=0", "--wait", "1"}, 4, "still after 1 s", 1000},
        {"waited for", {"set", "bAlarmCtrl=0", "--yes", "--wait", "5"}, 0, "", 200, true},
        {"found by the reads' retries", set, 4, "in use by", 200, false, false},
        {"a read", {"show"}, 0, ""},
        {"a dry run", {"set", "bAlarmCtrl=0", "--dry-run"}, 0, ""},
    };
    // Windows does not say who holds a lock.
    const std::string holderText = platform::kSystem == platform::System::Windows
                                       ? "another program"
                                       : "core_tests, pid " + std::to_string(platform::ProcessId());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CliHarness h;
        h.bus.Unit().LoadImage(FactorySettings(3));
        const HidInterface unit = h.bus.Enumerate().at(0);
        UnitLock holder;
        ASSERT_TRUE(holder.Take(UnitLock::PlaceOf(unit, h.Folder())).Taken());
        if (!row.plugged) h.bus.Unplug();
        h.pauser.onPause = [&](int) {
            if (row.letGo) holder.Release();
            if (!h.bus.Plugged()) h.bus.Replug();
        };
        const Result result = h.Cli(row.args);
        EXPECT_EQ(result.code, row.code) << result.err;
        EXPECT_TRUE(Has(result.err, row.says)) << result.err;
        if (row.code == 4) {
            EXPECT_TRUE(Has(result.err, "in use by " + holderText)) << result.err;
            EXPECT_EQ(h.pauser.TotalMs(), row.pausedMs);
            EXPECT_FALSE(h.AnyWrite());
        } else if (row.letGo) {
            EXPECT_EQ(h.pauser.Pauses().front(), row.pausedMs);
            EXPECT_EQ(GetField(h.bus.Unit().HeldImage(), bAlarmCtrl), 0u);
        }
    }
}

TEST_F(CliTest, JsonFailuresCarryTheKindAndWhatIsKnown) {
    bus.Unit().SetOnline(true);
    const Result result = Cli({"apply", FileWith(bOutputLevel, 2), "--yes", "--json"});
    EXPECT_EQ(result.code, 6);
    EXPECT_TRUE(Has(result.out, "\"ok\": false")) << result.out;
    EXPECT_TRUE(Has(result.out, "\"kind\": \"refused\""));
    EXPECT_TRUE(Has(result.out, "\"key\": \"bOutputLevel\""));  // the refused diff
    EXPECT_TRUE(Has(result.out, "\"written\": false"));

    bus.FailOpen(SimulatedUps::kDefaultPath, {OpenFailure::Kind::Busy, EBUSY, "busy"});
    const Result probe = Cli({"--json", "probe"});
    EXPECT_EQ(probe.code, 4);
    EXPECT_TRUE(Has(probe.out, "\"kind\": \"no_permission\"")) << probe.out;
    EXPECT_TRUE(Has(probe.out, "\"verdict\": \"busy\""));
}

TEST_F(CliTest, DiffAndDryRunSendNothing) {
    const std::string file = FileWith(BatWeakPer_A, 50);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"diff", file},
                                                 {"apply", file, "--dry-run", "--yes"},
                                                 {"set", "BatWeakPer_A=50", "--dry-run"},
                                                 {"restore", "--dry-run"}}) {
        const Result result = Cli(args);
        EXPECT_TRUE(result.code == 0 || args[0] == "restore") << args[0] << ": " << result.err;
        EXPECT_FALSE(AnyWrite()) << args[0];
    }
    const Result dryRun = Cli({"apply", file, "--dry-run", "--json"});
    EXPECT_TRUE(Has(dryRun.out, "\"0x3F\",\n    \"0x44\"\n  ]")) << dryRun.out;
    EXPECT_TRUE(Has(Cli({"diff", file}).out, "BatWeakPer_A: 20 (20%) -> 50 (50%)"));

    EXPECT_EQ(Cli({"apply", file, "--yes"}).code, 0);
    EXPECT_EQ(bus.WrittenIds(), (Ids{0x3F, 0x44}));  // what the dry run named
}

TEST_F(CliTest, OnlineTheVoltageIsRefusedAndTheBatteryTaken) {
    bus.Unit().SetOnline(true);
    const SettingsImage before = bus.Unit().HeldImage();
    EXPECT_EQ(Cli({"apply", FileWith(bOutputLevel, 2), "--yes"}).code, 6);
    EXPECT_EQ(bus.Unit().HeldImage(), before);
    EXPECT_FALSE(AnyWrite());

    const Result battery = Cli({"apply", FileWith(bLowBattTime, 9), "--yes", "--json"});
    EXPECT_EQ(battery.code, 0) << battery.err;
    EXPECT_EQ(GetField(bus.Unit().HeldImage(), bLowBattTime), 9u);
    EXPECT_TRUE(Has(battery.out, "\"verified\": true"));
    // The 5 s for the unit to take the settings, and not a pause more than the writes need.
    EXPECT_EQ(pauser.Pauses(), (std::vector<int>{200, 200, 5000}));
}

TEST_F(CliTest, TheUnitIsAskedOnATerminalAndTheAnswerHeeded) {
    EXPECT_EQ(Cli({"set", "bAlarmCtrl=off"}, "n\n").code, 1);
    EXPECT_FALSE(AnyWrite());
    EXPECT_EQ(Cli({"outlet", "1", "off"}, "\n").code, 1);
    EXPECT_TRUE(bus.Unit().OutletOn(1));

    const Result yes = Cli({"set", "bAlarmCtrl=off"}, "y\n");
    EXPECT_EQ(yes.code, 0);
    EXPECT_TRUE(Has(yes.err, "Apply these changes? [y/N]"));
    EXPECT_TRUE(Has(yes.err, "Waiting for the unit to take the settings... 5 s"));
    EXPECT_EQ(GetField(bus.Unit().HeldImage(), bAlarmCtrl), 0u);
    EXPECT_EQ(Cli({"outlet", "1", "off"}, "y\n").code, 0);
    EXPECT_FALSE(bus.Unit().OutletOn(1));
    EXPECT_EQ(Cli({"battery-test", "start"}).code, 0);
    EXPECT_EQ(bus.Unit().LastBatteryTestCommand(), 1);

    // The search for a unit that is not there, as the window waits for it.
    bus.Unplug();
    pauser.Reset();
    const Result none = Cli({"status"}, "");
    EXPECT_EQ(none.code, 3);
    EXPECT_EQ(pauser.TotalMs(), 6600);
    EXPECT_TRUE(Has(none.err, "Looking for the unit... 6 s\n")) << none.err;
}

TEST_F(CliTest, ABackupBeforeEachWriteAndRestoreBringsItBackExactly) {
    // 90 s, which the outlet page would round to a minute.
    SettingsImage held = bus.Unit().HeldImage();
    SetWord(held, OutletOnDT_H_A, 90);
    bus.Unit().LoadImage(held);

    EXPECT_EQ(Cli({"set", "BatWeakPer_A=50", "OutletOnDT_A=2min", "--yes"}).code, 0);
    const auto root = Folder() / "data" / "upsconfig" / "backups";
    ASSERT_EQ(ListBackups(root).size(), 1u);
    EXPECT_EQ(ListBackups(root)[0].changed, "OutletOnDT_A BatWeakPer_A");
    EXPECT_TRUE(Has(Cli({"history"}).out, "1  2009-07-03 08:05:04  model-3  OutletOnDT_A"));

    const Result restored = Cli({"restore", "--yes"});
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_EQ(bus.Unit().HeldImage(), held);
    EXPECT_EQ(ListBackups(root).size(), 2u);  // the restore kept what it replaced
}

TEST_F(CliTest, TheSimulatedUnitOutlivesOneCommand) {
    const Result fresh = Cli({"--simulate=21", "set", "bParalConfig=2", "--yes"});
    EXPECT_EQ(fresh.code, 0) << fresh.err;
    EXPECT_TRUE(Has(Cli({"--simulate", "show"}).out, "bParalConfig = 2"));
    // A model asked for does not replace a unit kept: the command says so, and how to start anew.
    const Result kept = Cli({"--simulate=3", "status"});
    EXPECT_TRUE(Has(kept.out, "21 ("));
    EXPECT_TRUE(Has(kept.err, "of model 21 (")) << kept.err;
    EXPECT_TRUE(Has(kept.err, "sim reset")) << kept.err;
    // Its backups stay apart from a real unit's of the same model.
    EXPECT_EQ(ListBackups(Folder() / "data" / "upsconfig" / "backups").at(0).unit, "sim-model-21");
    EXPECT_EQ(Cli({"--simulate", "sim", "online"}).code, 0);
    EXPECT_EQ(Cli({"--simulate", "set", "bParalConfig=3", "--yes"}).code, 6);
    EXPECT_EQ(Cli({"sim", "reset"}).code, 2);  // not without --simulate
    EXPECT_EQ(Cli({"--simulate", "sim", "reset"}).code, 0);
    EXPECT_TRUE(Has(Cli({"--simulate", "--json", "status"}).out, "\"code\": 3"));
    EXPECT_FALSE(AnyWrite());  // none of it reached the real backend
}

}  // namespace
}  // namespace upsconfig::support
