#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "cli/CliHarness.h"
#include "cli/SimState.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::support {
namespace {

namespace fs = std::filesystem;
using Plant = std::function<void(CliHarness&, const fs::path&)>;

// The files the command line keeps beside a unit: the simulated unit's state and the backups.
class CliFilesTest : public testing::Test, public CliHarness {};

// What is at a path, so that "left as it is" can be compared: its kind and bytes or target.
std::string NodeAt(const fs::path& path) {
    platform::NodeInfo info;
    if (!platform::StatLink(path, info)) return "nothing";
    if (info.kind == platform::NodeKind::Link) return "link to " + fs::read_symlink(path).string();
    if (info.kind != platform::NodeKind::Regular)
        return "node of kind " + std::to_string(static_cast<int>(info.kind)) + ", mode " +
               std::to_string(info.permissions);
    std::ifstream in(path, std::ios::binary);
    return "file " + std::string(std::istreambuf_iterator<char>(in), {});
}

Plant Text(std::string at, std::string text) {
    return [=](CliHarness&, const fs::path& f) {
        fs::create_directories((f / at).parent_path());
        std::ofstream(f / at, std::ios::binary) << text;
    };
}

TEST_F(CliFilesTest, WhatDoesNotLoadOrIsNotOursIsLeftAsItIs) {
    struct Row {
        std::string_view name;
        Plant plant;          // in the case's folder, "@" in args
        std::string planted;  // what is there must stay exactly as it was
        std::vector<std::string> args;
        int code;
        std::string_view says;
        std::string whyNotHere = {};  // the case cannot be set up on this system
    };
    const std::string state = FormatSimState(SimulatedUnit());
    const std::string unit = "data/upsconfig/backups/model-3/";
    const std::string next = unit + "20090703-080504-000";  // the fixed clock's first backup
    const std::vector<std::string> simSet = {"--simulate", "--sim-state",  "@/state",
                                             "set",        "bAlarmCtrl=0", "--yes"};
    const std::vector<std::string> simReset = {"--simulate", "--sim-state", "@/state", "sim",
                                               "reset"};
    const std::vector<std::string> set = {"set", "bAlarmCtrl=0", "--yes", "--json"};
    const std::vector<std::string> history = {"history"}, restore = {"restore", "--yes"};
    const Row rows[] = {
        {"a text file", Text("state", "my notes\n"), "state", simSet, 1, "left as it is"},
        {"a text file to reset", Text("state", "my notes\n"), "state", simReset, 1, "left as it"},
        {"a truncated state", Text("state", state.substr(0, 40)), "state", simSet, 1, "damaged"},
        {"over 64 KiB", Text("state", state + std::string(65536, '#')), "state", simSet, 1,
         "too large"},
        {"a pipe", [](CliHarness&, const fs::path& f) { ASSERT_TRUE(MakeFifo(f / "state")); },
         "state", simSet, 1, "Not a regular file", WhyNoFifos()},
        {"a device node",
         [](CliHarness&, const fs::path& f) { ASSERT_TRUE(MakeDeviceNode(f / "state")); }, "state",
         simSet, 1, "Not a regular file", WhyNoDeviceNodes()},
        {"a link to a state",
         [&](CliHarness& h, const fs::path& f) {
             Text("real", state)(h, f);
             fs::create_symlink("real", f / "state");
         },
         "state", simSet, 1, "symbolic link", WhyNoSymlinks()},
        {"no folder for the state",
         {},
         "gone",
         {"--simulate", "--sim-state", "@/gone/s", "status"},
         1,
         "cannot be locked"},
        {"a link loop at the next backup's name",
         [&](CliHarness&, const fs::path& f) {
             fs::create_directories(f / unit);
             fs::create_symlink("20090703-080504-000.kvr", f / (next + ".kvr"));
         },
         next + ".kvr", set, 0, "", WhyNoSymlinks()},
        {"a link at the next backup's note",
         [&](CliHarness&, const fs::path& f) {
             fs::create_directories(f / unit);
             fs::create_symlink(f / "victim", f / (next + ".info"));
         },
         "victim", set, 0, "", WhyNoSymlinks()},
        {"a folder that cannot be searched",
         [&](CliHarness&, const fs::path& f) {
             fs::create_directories(f / unit);
             fs::permissions(f / unit, fs::perms::owner_read | fs::perms::owner_write);
         },
         "", set, 1, "Permission denied", WhyFoldersWithoutSearchAreSearched()},
        {"the backups below a file",
         [](CliHarness& h, const fs::path& f) {
             Text("file", "x")(h, f);
             h.SetDataHome((f / "file").string());
         },
         "file", history, 1, "Not a directory",
         platform::kSystem == platform::System::Windows ? "Windows finds no path below a file"
                                                        : ""},
        {"a stray file among the backups",
         [&](CliHarness&, const fs::path& f) {
             fs::create_directories(f / unit);
             WriteSettingsFile(f / unit / "zzz.kvr", FactorySettings(1));
         },
         unit + "zzz.kvr", restore, 1, "no backup 1"},
        {"control characters in a folder and a note",
         [&](CliHarness& h, const fs::path& f) {
             Text("data/upsconfig/backups/model-3\x1b[2J/20090703-080504-000.kvr", "")(h, f);
             Text(next + ".kvr", "")(h, f);
             Text(next + ".info", "changed bAlarmCtrl\x1b[31m\n")(h, f);
         },
         "", history, 0, "model-3  bAlarmCtrl?[31m", WhyNoControlCharactersInNames()},
        {"another unit of the model",
         [](CliHarness& h, const fs::path&) {
             h.bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "SN-A");
             h.Cli({"set", "bAlarmCtrl=0", "--yes"});
             h.bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "SN-B");
             h.bus.ClearLog();
         },
         "", restore, 1, "model-3-SN-A, not of this unit (model-3-SN-B)"},
        {"the simulated unit's backups",
         [](CliHarness& h, const fs::path&) {
             h.Cli({"--simulate", "set", "bAlarmCtrl=0", "--yes"});
         },
         "", history, 0, "No backups yet."},
    };
    for (const Row& row : rows) {
        if (!row.whyNotHere.empty()) continue;
        SCOPED_TRACE(row.name);
        CliHarness h;
        h.bus.Unit().LoadImage(FactorySettings(3));
        h.bus.Unit().SetOnline(false);
        if (row.plant) row.plant(h, h.Folder());
        const std::string before = NodeAt(h.Folder() / row.planted);
        std::vector<std::string> args = row.args;
        for (std::string& arg : args)
            if (arg.starts_with('@')) arg = h.Folder().string() + arg.substr(1);
        const Result result = h.Cli(args);
        const std::string said = result.out + result.err;
        EXPECT_EQ(result.code, row.code) << said;
        EXPECT_NE(said.find(row.says), std::string::npos) << said;
        EXPECT_EQ(said.find('\x1b'), std::string::npos);
        EXPECT_EQ(NodeAt(h.Folder() / row.planted), before);
        if (row.code != 0) {
            EXPECT_FALSE(h.AnyWrite());
            EXPECT_FALSE(fs::exists(h.Folder() / (row.planted + ".lock")));
        }
        if (row.code != 0 && std::ranges::find(args, "--json") != args.end()) {
            EXPECT_NE(result.out.find("\"ok\": false"), std::string::npos) << result.out;
        }
    }
}

// A temporary file's name too long beside the state: a failure to keep it that root meets too.
TEST_F(CliFilesTest, AStateNotKeptFailsTheCommandAndSaysItWasCarriedOut) {
    if (platform::kSystem == platform::System::Windows) GTEST_SKIP() << "paths are shorter there";
    fs::path folder = Folder();
    constexpr std::size_t kFolderLength = 4080;  // the lock's name fits, the temporary's does not
    while (folder.string().size() < kFolderLength)
        folder /= std::string(
            std::min<std::size_t>(200, kFolderLength - folder.string().size() - 1), 'd');
    fs::create_directories(folder);
    const Result result =
        Cli({"--simulate", "--sim-state", (folder / "s").string(), "sim", "online"});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("could not be kept"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("The command itself was carried out"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "s"));
}

TEST_F(CliFilesTest, WithoutARuntimeFolderTheStateIsKeptInAPrivateOne) {
    if (platform::kSystem == platform::System::Windows) GTEST_SKIP() << "LOCALAPPDATA serves";
    SetVariable("XDG_RUNTIME_DIR", "");
    SetVariable("TMPDIR", Folder().string());
    const fs::path folder = Folder() / ("upsconfig-" + std::to_string(platform::UserId()));
    EXPECT_EQ(Cli({"--simulate", "sim", "online"}).code, 0);
    EXPECT_EQ(NodeAt(folder / "sim.state").substr(0, 5), "file ");
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);

    // A folder at that name that others can write to, or a link planted there, is not used.
    const fs::path elsewhere = Folder() / "elsewhere";
    fs::create_directory(elsewhere);
    fs::permissions(elsewhere, fs::perms::owner_all);
    for (const bool link : {false, true}) {
        fs::remove_all(folder);
        if (link) fs::create_directory_symlink(elsewhere, folder);
        if (!link) fs::create_directory(folder);
        if (!link) fs::permissions(folder, fs::perms::all);
        const Result result = Cli({"--simulate", "sim", "standby"});
        EXPECT_EQ(result.code, 1);
        EXPECT_NE(result.err.find("not a private folder"), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(folder / "sim.state"));
    }
}

// Windows has no runtime folder: the state is the user's own below LOCALAPPDATA.
TEST_F(CliFilesTest, OnWindowsTheStateIsKeptInTheLocalDataFolder) {
    const fs::path local = Folder() / "local";
    std::optional<std::string> localAppData = local.string();
    const auto variable = [&](const std::string& name) -> std::optional<std::string> {
        return name == "LOCALAPPDATA" ? localAppData : Folder().string();
    };
    std::string error;
    const auto path = DefaultSimStatePath(variable, 0, error, platform::System::Windows);
    EXPECT_EQ(path, local / "upsconfig" / "sim.state") << error;
    EXPECT_TRUE(fs::is_directory(local / "upsconfig"));
    for (const char* unusable : {"", "local"}) {
        localAppData = unusable;
        EXPECT_EQ(DefaultSimStatePath(variable, 0, error, platform::System::Windows), std::nullopt);
        EXPECT_NE(error.find("LOCALAPPDATA is not an absolute path"), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace upsconfig::support
