#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string_view>

#include "cli/CliHarness.h"
#include "settingsfile/SettingsFile.h"
#include "unit/ApplyPlan.h"

namespace upsconfig::support {
namespace {

using nlohmann::json;

bool Has(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

struct Unit : CliHarness {
    explicit Unit(int model) {
        bus.Unit().LoadImage(FactorySettings(model));
        bus.Unit().SetOnline(false);
    }
    std::string Held(const std::string& key) {
        const SettingMeaning& setting = *FindSetting(key);
        const SettingsImage held = bus.Unit().HeldImage();
        return ValueText(setting, ValueOf(held, setting),
                         static_cast<int>(GetField(held, FieldId::bModelCode)));
    }
};

// A number is in the unit the pages show, a text is a meaning, a raw code needs raw:N; a
// refusal lists what is offered in that unit.
TEST(CliSettingsTest, ValuesAreReadAsAPersonReadsThem) {
    const struct Row {
        int model;
        std::string set;
        int code;
        std::string_view holds;  // the meaning the unit then holds, or what the refusal says
    } rows[] = {
        {3, "bAutoBattTestTime=12", 0, "12 weeks"},
        {3, "bAutoBattTestTime=2", 6, "one of: 8 weeks, 12 weeks, 16 weeks"},
        {3, "OutletOffAftACOffDT_A=10", 0, "10 min"},
        {3, "OutletOffAftACOffDT_A=31", 6, "from 0 min to 30 min"},
        {3, "bOutputLevel=115", 0, "115 V"},
        {3, "bOutputLevel=2", 6, "110 V, 115 V, 120 V, 127 V (a raw code is written raw:2)"},
        {3, "bOutputLevel=raw:2", 0, "115 V"},
        {3, "bInvFirstMode=0", 0, "Off"},  // a box that stores its inverse: 0 is still Off
        {3, "bECO_Vol_Tol=15", 0, "15%"},
        {3, "BatWeakPer_A=90", 6, "from 20% to 80%"},
        {14, "bOutputLevel=110/190", 0, "110/190 V"},
    };
    for (const Row& row : rows) {
        Unit unit(row.model);
        const CliHarness::Result result = unit.Cli({"set", row.set, "--yes"});
        SCOPED_TRACE(row.set);
        EXPECT_EQ(result.code, row.code) << result.err;
        if (row.code == 0) {
            EXPECT_EQ(unit.Held(row.set.substr(0, row.set.find('='))), row.holds);
        } else {
            EXPECT_TRUE(Has(result.err, row.holds)) << result.err;
            EXPECT_FALSE(unit.AnyWrite());
        }
    }
}

// Each described setting names its page, label and standby rule as the field table has them, and
// set takes every value it lists and the ends of its range, and no number past them.
TEST(CliSettingsTest, DescribeTellsWhatSetTakes) {
    const struct Row {
        int model;
        std::vector<std::string> keys;
    } rows[] = {
        {3,
         {"bOutputLevel", "bInvFirstMode", "bShutDownLogic", "bLowBattTime", "bAutoBattTestTime",
          "OutletOffAftACOffDT_B", "BatWeakPer_A", "bECO_Freq_Tol"}},
        {21, {"bParalAddr", "bOutputLevel"}},
    };
    for (const Row& row : rows) {
        Unit unit(row.model);
        std::vector<std::string> args = {"describe", "--json"};
        args.insert(args.end(), row.keys.begin(), row.keys.end());
        const json described = json::parse(unit.Cli(args).out).at("settings");
        ASSERT_EQ(described.size(), row.keys.size());
        for (const json& d : described) {
            const std::string key = d.at("key");
            SCOPED_TRACE(key);
            const SettingMeaning& setting = *FindSetting(key);
            EXPECT_EQ(d.at("label"), setting.label);
            EXPECT_EQ(d.at("group"), PageName(setting.page));
            EXPECT_EQ(d.at("standby_only"), setting.standbyOnly);
            const unsigned factory = ValueOf(FactorySettings(row.model), setting);
            EXPECT_EQ(d.at("factory").at("raw"), factory);
            std::vector<std::pair<std::string, int>> tries;
            if (d.at("range").is_object()) {
                const unsigned max = d.at("range").at("max");
                tries = {{std::to_string(d.at("range").at("min").get<unsigned>()), 0},
                         {std::to_string(max), 0},
                         {std::to_string(max + 1), 6}};
            } else {
                for (const json& value : d.at("values"))
                    tries.push_back({value.at("value"), 0});
            }
            ASSERT_FALSE(tries.empty());
            for (const auto& [value, code] : tries)
                EXPECT_EQ(unit.Cli({"set", key + "=" + value, "--dry-run"}).code, code) << value;
        }
    }
}

// The web console's page reads describe's answer: every key and value of its sample of model 3
// is in ours.
TEST(CliSettingsTest, DescribeKeepsTheShapeTheWebConsoleReads) {
    std::ifstream in(UPSCONFIG_TEST_DATA_DIR "/../../contrib/cockpit/tests/describe-model3.json");
    const json sample = json::parse(in);
    Unit unit(3);
    std::vector<std::string> args = {"describe", "--json"};
    for (const json& s : sample.at("settings"))
        args.push_back(s.at("key"));
    const json ours = json::parse(unit.Cli(args).out);
    EXPECT_EQ(ours.at("model"), sample.at("model"));
    for (std::size_t i = 0; i < sample.at("settings").size(); ++i)
        for (const auto& [name, value] : sample.at("settings")[i].items())
            EXPECT_EQ(ours.at("settings")[i].at(name), value) << name;
}

// show KEY... prints just those; describe of all leaves out what this model's pages do not
// show; status names the unit it read.
TEST(CliSettingsTest, ShowDescribeAndStatusSayWhatTheyRead) {
    Unit unit(3);
    unit.bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "SN-7");
    EXPECT_EQ(unit.Cli({"show", "bLowBattTime", "bOutputLevel"}).out,
              "Model 3 (KVR8-3000-120)\n\n[UPS]\nbOutputLevel = 3 (120 V)  [standby only]\n\n"
              "[Battery]\nbLowBattTime = 2 (2 min)\n");
    const json shown = json::parse(unit.Cli({"show", "--json", "bparalconfig"}).out);
    EXPECT_EQ(shown.at("groups"),
              json::parse(R"([{"name": "Parallel", "settings": [{"key": "bParalConfig", "raw": 1,
                              "meaning": "1", "standby_only": true}]}])"));
    EXPECT_TRUE(Has(unit.Cli({"describe"}).out, "\nbReverseDect: UPS / "));
    EXPECT_FALSE(Has(unit.Cli({"describe"}).out, "bParalConfig"));
    Unit other(21);  // a 230 V model: its UPS page hides the L-N box
    EXPECT_FALSE(Has(other.Cli({"describe"}).out, "bReverseDect"));
    EXPECT_TRUE(Has(other.Cli({"describe"}).out, "\nbParalAddr: Parallel / "));

    EXPECT_TRUE(Has(unit.Cli({"status"}).out, "Unit:     sim:ups0, serial SN-7\n"));
    EXPECT_EQ(json::parse(unit.Cli({"status", "--json"}).out).at("serial"), "SN-7");
}

// Each command says what it did, a dry run that nothing was written, and diff --exit-code
// whether applying the file would change anything.
TEST(CliSettingsTest, MessagesSayWhatHappened) {
    Unit unit(3);
    const std::string same = (unit.Folder() / "same.kvr").string();
    const std::string other = (unit.Folder() / "other.kvr").string();
    ASSERT_TRUE(WriteSettingsFile(same, unit.bus.Unit().HeldImage()));
    SettingsImage changed = unit.bus.Unit().HeldImage();
    SetField(changed, FieldId::bAlarmCtrl, 0);
    ASSERT_TRUE(WriteSettingsFile(other, changed));
    const struct Row {
        std::vector<std::string> args;
        int code;
        std::string says;  // on standard output when it is 0, else on standard error
        std::string_view never = "\x01";
    } rows[] = {
        {{"set", "bAlarmCtrl=off", "--dry-run"}, 0, "Dry run: nothing was written.\n"},
        {{"outlet", "2", "off", "--yes"}, 0, "Outlet 2 turned off.\n"},
        {{"outlet", "2", "off"}, 2, "use --yes to go ahead", "--dry-run"},
        {{"outlet", "2", "off", "--dry-run"}, 2, "outlet: --dry-run is not one of its options"},
        {{"battery-test", "start"}, 0, "Battery test started.\n"},
        {{"export", "-o", same}, 0, "settings were written to " + same + ".\n"},
        {{"diff", same, "--exit-code"}, 0, "Nothing to change."},
        {{"diff", other, "--exit-code"}, 8, ""},
        {{"diff", same, other, "--exit-code"}, 8, ""},
        {{"diff", other}, 0, "bAlarmCtrl: 1 (On) -> 0 (Off)"},
        {{"--simulate=256", "status"}, 2, "a model code from 0 to 255"},
        {{"--simulate", "sim", "model", "256"}, 2, "a model code from 0 to 255"},
    };
    for (const Row& row : rows) {
        const CliHarness::Result result = unit.Cli(row.args);
        const std::string& text = row.code == 0 ? result.out : result.err;
        SCOPED_TRACE(row.args[0] + " " + row.args[1]);
        EXPECT_EQ(result.code, row.code) << result.err;
        EXPECT_TRUE(Has(text, row.says)) << text;
        EXPECT_FALSE(Has(text, row.never)) << text;
    }
}

}  // namespace
}  // namespace upsconfig::support
