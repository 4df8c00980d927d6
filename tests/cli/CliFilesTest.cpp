#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "cli/CliHarness.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::support {
namespace {

namespace fs = std::filesystem;

// The files the command line keeps beside a unit: the simulated unit's state and the backups.
class CliFilesTest : public testing::Test, public CliHarness {
  protected:
    void SetUp() override {
        bus.Unit().LoadImage(FactorySettings(3));
        bus.Unit().SetOnline(false);
    }
};

// What is at a path, so that "left as it is" can be compared: its kind and bytes or target.
std::string NodeAt(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return "nothing";
    if (S_ISLNK(info.st_mode)) return "link to " + fs::read_symlink(path).string();
    if (!S_ISREG(info.st_mode)) return "node of mode " + std::to_string(info.st_mode);
    std::ifstream in(path, std::ios::binary);
    return "file " + std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST_F(CliFilesTest, WhatDoesNotLoadOrIsNotOursIsLeftAsItIs) {
    enum class Who { Anyone, Root, NotRoot };  // device nodes need root; root searches any folder
    struct Row {
        std::string_view name;
        std::function<void(CliHarness&, const fs::path&)> plant;  // under the case's folder
        std::string planted;  // relative to it; what is there must stay exactly as it was
        std::vector<std::string> args;
        int code;
        std::string_view says;
        Who who = Who::Anyone;
    };
    const auto state = [](CliHarness& h, const fs::path& f) {
        h.Cli({"--simulate", "--sim-state", (f / "real").string(), "sim", "online"});
        return NodeAt(f / "real").substr(5);
    };
    const auto node = [](dev_t device) {
        return [device](CliHarness&, const fs::path& f) {
            ASSERT_EQ(::mknod((f / "state").c_str(), S_IFCHR | 0666, device), 0);
        };
    };
    const std::vector<std::string> simSet = {"--simulate", "--sim-state",  "state",
                                             "set",        "bAlarmCtrl=0", "--yes"};
    const std::string unit = "data/upsconfig/backups/model-3/";
    const Row rows[] = {
        {"a text file", [](CliHarness&, const fs::path& f) { Write(f / "state", "my notes\n"); },
         "state", simSet, 1, "left as it is"},
        {"a truncated state",
         [&](CliHarness& h, const fs::path& f) { Write(f / "state", state(h, f).substr(0, 40)); },
         "state", simSet, 1, "damaged"},
        {"a pipe", [](CliHarness&, const fs::path& f) { ::mkfifo((f / "state").c_str(), 0600); },
         "state", simSet, 1, "Not a regular file"},
        {"an endless device", node(::makedev(1, 5)), "state", simSet, 1, "Not a regular file",
         Who::Root},
        {"a null device", node(::makedev(1, 3)), "state", simSet, 1, "Not a regular file",
         Who::Root},
        {"a link to a state",
         [&](CliHarness& h, const fs::path& f) {
             state(h, f);
             fs::create_symlink("real", f / "state");
         },
         "state", simSet, 1, "symbolic link"},
        {"over 64 KiB",
         [&](CliHarness& h, const fs::path& f) {
             Write(f / "state", state(h, f) + std::string(65536, '#'));
         },
         "state", simSet, 1, "too large"},
        {"no folder for the state",
         {},
         "gone",
         {"--simulate", "--sim-state", "gone/state", "sim", "online"},
         1,
         "command itself was carried out"},
        {"a link loop at the next backup's name",
         [&](CliHarness&, const fs::path& f) {
             fs::create_directories(f / unit);
             fs::create_symlink("20090703-080504-000.kvr", f / unit / "20090703-080504-000.kvr");
         },
         unit + "20090703-080504-000.kvr",
         {"set", "bAlarmCtrl=0", "--yes"},
         0,
         ""},
        {"a folder that cannot be searched",
         [&](CliHarness&, const fs::path& f) {
             fs::create_directories(f / unit);
             ::chmod((f / unit).c_str(), 0600);
         },
         "",
         {"set", "bAlarmCtrl=0", "--yes", "--json"},
         1,
         "Permission denied",
         Who::NotRoot},
        {"the backups below a file",
         [](CliHarness& h, const fs::path& f) {
             Write(f / "file", "x");
             h.SetVariable("XDG_DATA_HOME", (f / "file").string());
         },
         "file",
         {"history"},
         1,
         "Not a directory"},
        {"a stray file among the backups",
         [&](CliHarness&, const fs::path& f) {
             fs::create_directories(f / unit);
             WriteSettingsFile(f / unit / "zzz.kvr", FactorySettings(1));
         },
         unit + "zzz.kvr",
         {"restore", "--yes"},
         1,
         "no backup 1"},
        {"control characters in a folder and a note",
         [&](CliHarness&, const fs::path& f) {
             Write(f / "data/upsconfig/backups/model-3\x1b[2J/20090703-080504-000.kvr", "");
             Write(f / unit / "20090703-080504-000.kvr", "");
             Write(f / unit / "20090703-080504-000.info", "changed bAlarmCtrl\x1b[31m\n");
         },
         "",
         {"history"},
         0,
         "model-3  bAlarmCtrl?[31m"},
        {"another unit of the model",
         [](CliHarness& h, const fs::path&) {
             h.bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "SN-A");
             h.Cli({"set", "bAlarmCtrl=0", "--yes"});
             h.bus.SetInterfaceSerial(SimulatedUps::kDefaultPath, "SN-B");
             h.bus.ClearLog();
         },
         "",
         {"restore", "--yes"},
         1,
         "model-3-SN-A, not of this unit (model-3-SN-B)"},
        {"the simulated unit's backups",
         [](CliHarness& h, const fs::path&) {
             h.Cli({"--simulate", "set", "bAlarmCtrl=0", "--yes"});
         },
         "",
         {"history"},
         0,
         "No backups yet."},
    };
    const bool root = ::geteuid() == 0;
    for (const Row& row : rows) {
        if ((row.who == Who::Root && !root) || (row.who == Who::NotRoot && root)) continue;
        SCOPED_TRACE(row.name);
        CliHarness h;
        h.bus.Unit().LoadImage(FactorySettings(3));
        h.bus.Unit().SetOnline(false);
        if (row.plant) row.plant(h, h.Folder());
        const fs::path planted = h.Folder() / row.planted;
        const std::string before = NodeAt(planted);
        std::vector<std::string> args = row.args;
        for (std::string& arg : args)
            if (arg.starts_with("state") || arg.starts_with("gone"))
                arg = (h.Folder() / arg).string();
        const Result result = h.Cli(args);
        EXPECT_EQ(result.code, row.code) << result.err;
        EXPECT_NE((result.out + result.err).find(row.says), std::string::npos)
            << result.out << result.err;
        EXPECT_EQ((result.out + result.err).find('\x1b'), std::string::npos);
        EXPECT_EQ(NodeAt(planted), before);
        if (row.code != 0) {
            EXPECT_FALSE(h.AnyWrite());
        }
        if (row.code != 0 && std::ranges::find(row.args, "--json") != row.args.end()) {
            EXPECT_NE(result.out.find("\"ok\": false"), std::string::npos) << result.out;
        }
    }
}

TEST_F(CliFilesTest, WithoutARuntimeFolderTheStateIsKeptInAPrivateOne) {
    SetVariable("XDG_RUNTIME_DIR", "");
    SetVariable("TMPDIR", Folder().string());
    const fs::path folder = Folder() / ("upsconfig-" + std::to_string(::getuid()));
    EXPECT_EQ(Cli({"--simulate", "sim", "online"}).code, 0);
    struct stat info {};
    ASSERT_EQ(::lstat((folder / "sim.state").c_str(), &info), 0);
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A folder at that name that others can write to, or that another user planted, is not used.
    std::vector<std::function<void()>> plants = {
        [&] {
            fs::create_directory(folder);
            fs::permissions(folder, fs::perms::all);
        },
        [&] {
            fs::create_directories(Folder() / "elsewhere");
            fs::create_directory_symlink(Folder() / "elsewhere", folder);
        },
    };
    if (::geteuid() == 0)
        plants.push_back([&] {
            fs::create_directory(folder);
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        });
    for (const auto& plant : plants) {
        fs::remove_all(folder);
        plant();
        const Result result = Cli({"--simulate", "sim", "standby"});
        EXPECT_EQ(result.code, 1);
        EXPECT_NE(result.err.find("not a private folder"), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(Folder() / "elsewhere" / "sim.state"));
    }
}

}  // namespace
}  // namespace upsconfig::support
