#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string_view>

#include "cli/CliHarness.h"
#include "cli/Verbs.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::support {
namespace {

using Prepare = std::function<void(CliHarness&)>;

bool Has(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

CliHarness::Result RunOnce(const std::vector<std::string>& args, const Prepare& setup = {}) {
    CliHarness h;
    h.bus.Unit().LoadImage(FactorySettings(3));
    if (setup) setup(h);
    return h.Cli(args);
}

// Every row of the verb table is in --help as its usage, and dispatch holds it to that usage:
// one argument too many is refused, and the fixed words it lists are taken.
TEST(CliVerbsTest, HelpAndDispatchFollowTheVerbTable) {
    const std::string help = RunOnce({"--help"}).out;
    for (const Verb& verb : Verbs()) {
        const std::string name(verb.name);
        SCOPED_TRACE(name);
        EXPECT_TRUE(Has(help, "\n  " + Usage(verb))) << help;
        std::vector<std::string> words{name};
        for (const Argument& argument : verb.arguments)
            words.push_back(argument.kind == ArgKind::Word      ? std::string(argument.words[0])
                            : argument.kind == ArgKind::Setting ? "bAlarmCtrl=0"
                            : argument.kind == ArgKind::Number  ? "1"
                                                                : "/nonexistent.kvr");
        const CliHarness::Result fitting = RunOnce(words);
        EXPECT_FALSE(Has(fitting.err, "(see --help)")) << fitting.err;
        if (!verb.arguments.empty() && verb.arguments.back().repeated) continue;
        words.push_back("1");
        const CliHarness::Result extra = RunOnce(words);
        EXPECT_EQ(extra.code, 2);
        EXPECT_TRUE(Has(extra.err, "wrong number of arguments")) << extra.err;
    }
    EXPECT_EQ(RunOnce({"frobnicate"}).code, 2);
}

// Options end at --, a value is never an option, --dry-run and -o only where a verb uses them,
// and the environment may name the simulated unit.
TEST(CliVerbsTest, OptionsEndAndNeverTakeAnOptionAsValue) {
    const struct Row {
        std::vector<std::string> args;
        int code;
        std::string_view says;
    } rows[] = {
        {{"--device", "--json", "status"}, 2, "not the option --json"},
        {{"--", "status", "--json"}, 2, "wrong number"},
        {{"set", "--", "--simulate=3"}, 2, "unknown key --simulate"},
        {{"outlet", "1", "off", "--dry-run", "--yes"}, 2, "--dry-run is not one of its options"},
        {{"show", "-o", "x.kvr"}, 2, "--output is not one of its options"},
        {{"--device=sim:ups0", "--", "status"}, 0, ""},
    };
    for (const Row& row : rows) {
        const CliHarness::Result result = RunOnce(row.args);
        EXPECT_EQ(result.code, row.code) << row.args[0] << ": " << result.err;
        EXPECT_TRUE(Has(result.err, row.says)) << result.err;
    }
    CliHarness h;
    h.SetVariable("UPSCONFIG_SIMULATE", "21");
    h.SetVariable("UPSCONFIG_SIM_STATE", (h.Folder() / "env.state").string());
    EXPECT_TRUE(Has(h.Cli({"--json", "status"}).out, "\"code\": 21"));
    EXPECT_TRUE(std::filesystem::exists(h.Folder() / "env.state"));
    EXPECT_TRUE(h.bus.Log().empty());  // the real backend was never asked
}

// A unit of a model that takes report 0x32 alone: a set of nothing else is refused, a mix
// writes what it takes and names the rest.
TEST(CliVerbsTest, ASettingTheUnitDoesNotTakeIsNeverReportedWritten) {
    CliHarness h;
    h.bus.Unit().LoadImage(FactorySettings(60));
    const CliHarness::Result eco = h.Cli({"set", "bECOMode=1", "--yes", "--json"});
    EXPECT_EQ(eco.code, 6) << eco.err;
    EXPECT_TRUE(Has(eco.err, "only the UPS page's report (0x32)")) << eco.err;
    EXPECT_FALSE(h.AnyWrite());

    const CliHarness::Result mixed = h.Cli({"set", "bECOMode=1", "bAlarmCtrl=0", "--yes"});
    EXPECT_EQ(mixed.code, 0) << mixed.err;
    EXPECT_TRUE(Has(mixed.out, "Not applied:\n  bECOMode = 1")) << mixed.out;
    EXPECT_FALSE(Has(mixed.out, "Written and verified.\n")) << mixed.out;
    EXPECT_EQ(h.bus.WrittenIds(), std::vector<std::uint8_t>{0x32});
}

// Every command and every kind of failure answers one object that a strict parser takes, with
// the keys the README calls stable, bytes that are not UTF-8 included.
TEST(CliVerbsTest, JsonOfEveryCommandAndFailureParsesWithItsKeys) {
    using Keys = std::vector<std::string>;
    const Keys change = {"device",   "model",      "file_model", "other_model", "online",
                         "changes",  "ignored",    "dry_run",    "written",     "reports",
                         "verified", "mismatches", "backup"};
    const Prepare badSerial = [](CliHarness& h) {
        h.bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "SN-\xff\xfe");
    };
    const Prepare twoFiles = [](CliHarness& h) {
        SettingsImage image = FactorySettings(3);
        ASSERT_TRUE(WriteSettingsFile(h.Folder() / "a\xff.kvr", image));
        SetField(image, FieldId::bAlarmCtrl, 0);
        ASSERT_TRUE(WriteSettingsFile(h.Folder() / "b.kvr", image));
    };
    const struct Row {
        std::vector<std::string> args;
        Prepare setup;
        int code;
        Keys keys;
    } rows[] = {
        {{"list"}, badSerial, 0, {"interfaces"}},
        {{"probe"}, {}, 0, {"verdict", "vendor_id", "product_id", "reasons"}},
        {{"status"}, {}, 0, {"device", "model", "versions", "online", "outlets", "uptime_seconds"}},
        {{"show"}, {}, 0, {"device", "model", "groups"}},
        {{"describe", "bAlarmCtrl"}, {}, 0, {"model", "settings"}},
        {{"export"}, {}, 0, {"device", "settings_file"}},
        {{"set", "bAlarmCtrl=0", "--yes"}, {}, 0, change},
        {{"apply", "b.kvr", "--yes"}, twoFiles, 0, change},
        {{"history"}, {}, 0, {"backups"}},
        {{"restore", "--yes"},
         [](CliHarness& h) {
             ASSERT_EQ(h.Cli({"set", "bAlarmCtrl=0", "--yes"}).code, 0);
         },
         0,
         change},
        {{"--simulate", "sim", "online"}, {}, 0, {}},
        {{"restore", "--dry-run"}, {}, 1, {"error"}},
        {{"diff", "a\xff.kvr", "b.kvr"}, twoFiles, 0, change},
        {{"outlet", "1", "on"}, {}, 0, {}},
        {{"battery-test", "stop"}, {}, 0, {}},
        {{"set", "b\xffKey=1"}, {}, 2, {"error"}},
        {{"set", "bAlarmCtrl=\xff", "--yes"}, {}, 6, {"error", "device"}},
        {{"apply", "/nonexistent/\xfe.kvr", "--yes"}, {}, 1, {"error"}},
        {{"status"}, [](CliHarness& h) { h.bus.Unplug(); }, 3, {"error"}},
        {{"status"}, [](CliHarness& h) { h.bus.SetReportDescriptor({}); }, 4, {"error"}},
        {{"show"}, [](CliHarness& h) { h.bus.FailReport(0x3E); }, 5, {"error"}},
        {{"set", "bOutputLevel=115V", "--yes"},
         [](CliHarness& h) { h.bus.Unit().SetOnline(true); },
         6,
         change},
        {{"set", "BatWeakPer_A=50", "--yes"},
         [](CliHarness& h) {
             h.bus.Unit().SetStoreFilter([](std::uint8_t id, SimulatedUnit::ReportData& data) {
                 if (id == 0x3F) data[1] = 20;
             });
         },
         7,
         change},
    };
    for (const Row& row : rows) {
        CliHarness h;
        h.bus.Unit().LoadImage(FactorySettings(3));
        if (row.setup) row.setup(h);
        std::vector<std::string> args = row.args;
        for (std::string& arg : args)
            // As typed: the name's bytes as they are (Windows' path.string() gives UTF-8).
            if (arg.ends_with(".kvr") && arg.front() != '/') arg = h.Folder().string() + "/" + arg;
        args.push_back("--json");
        const CliHarness::Result result = h.Cli(args);
        SCOPED_TRACE(row.args[0] + " -> " + std::to_string(row.code));
        EXPECT_EQ(result.code, row.code) << result.err;
        nlohmann::json parsed;
        ASSERT_NO_THROW(parsed = nlohmann::json::parse(result.out)) << result.out;
        EXPECT_EQ(parsed.at("ok"), row.code == 0);
        for (const std::string& key : row.keys)
            EXPECT_TRUE(parsed.contains(key)) << key << " in " << result.out;
        if (row.code == 0) continue;
        const auto& error = parsed.at("error");
        EXPECT_EQ(error.at("exit_code"), row.code);
        EXPECT_EQ(error.at("kind").get<std::string>(), std::string(ExitKind(row.code)));
        EXPECT_TRUE(error.at("message").is_string());
    }
}

}  // namespace
}  // namespace upsconfig::support
