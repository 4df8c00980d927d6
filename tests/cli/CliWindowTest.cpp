#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string_view>
#include <utility>

#include "app/AppFixture.h"
#include "cli/CliHarness.h"
#include "resources/Ids.h"
#include "session/UnitLock.h"
#include "settingsfile/Backups.h"

namespace upsconfig::support {
namespace {

using enum FieldId;
using Frames = std::vector<std::vector<std::uint8_t>>;

// The command line and the window on the same simulated unit, one after the other.
class CliWindowTest : public AppFixture {
  protected:
    void SetUp() override {
        AppFixture::SetUp();
        // Values the pages cannot show as they are: 90 s, a hidden box set.
        held = HeldSettings(3);
        SetWord(held, OutletOnDT_H_A, 90);
        SetField(held, bEodMode, 1);
        unit.LoadImage(held);
        cli.target = &bus;
        // The window keeps its backups where the test run put them (tests/ui_main.cpp).
        cli.SetDataHome(std::getenv("XDG_DATA_HOME"));
        root = *BackupRootFromEnvironment();
        std::filesystem::remove_all(root);
    }

    // The window goes before the command line opens the unit.
    void EndWindow() {
        Actions().EndWindow();
        app.reset();
    }

    Frames WrittenFrames() const {
        Frames frames;
        for (const auto& t : bus.Log())
            if (t.direction == SimulatedUps::Direction::Set && t.ok) frames.push_back(t.bytes);
        return frames;
    }

    static std::string WithoutTimeLine(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        for (std::string line; std::getline(in, line);)
            if (line.find("<Time>") == std::string::npos) text << line << '\n';
        return text.str();
    }

    SettingsImage held;
    CliHarness cli;
    std::filesystem::path root;
};

TEST_F(CliWindowTest, WindowApplyAndCliApplyEachLeaveABackupThatRestoreBringsBack) {
    Ready();
    FindControl<QCheckBox>(Pages().Ups(), ids::ups::kAlarm)->setChecked(false);
    Actions().Apply();
    EXPECT_EQ(GetField(unit.HeldImage(), bAlarmCtrl), 0u);
    ASSERT_EQ(ListBackups(root).size(), 1u);
    EXPECT_EQ(ListBackups(root)[0].changed, "bAlarmCtrl");
    EndWindow();

    const CliHarness::Result restored = cli.Cli({"restore", "1", "--yes"});
    EXPECT_EQ(restored.code, 0) << restored.err;
    EXPECT_EQ(unit.HeldImage(), held);

    EXPECT_EQ(cli.Cli({"set", "bEodMode=off", "OutletOnDT_A=0", "--yes"}).code, 0);
    EXPECT_EQ(ListBackups(root).size(), 3u);
    EXPECT_EQ(cli.Cli({"restore", "--yes"}).code, 0);
    EXPECT_EQ(unit.HeldImage(), held);
}

TEST_F(CliWindowTest, TheDemosBackupsAreKeptApartFromRealUnits) {
    Ready();
    Actions().SetSimulatedUnit(true);
    FindControl<QCheckBox>(Pages().Ups(), ids::ups::kAlarm)->setChecked(false);
    Actions().Apply();
    ASSERT_EQ(ListBackups(root).size(), 1u);
    EXPECT_EQ(ListBackups(root)[0].unit, "sim-model-3");
    EndWindow();
    EXPECT_EQ(cli.Cli({"history"}).out, "No backups yet.\n");
}

// The window holds the unit from the first contact: another program's writes are refused
// with its name until the window ends. (The core's tests check how the holder is named.)
TEST_F(CliWindowTest, WhileTheWindowIsUpTheCommandLineDoesNotWriteToTheUnit) {
    Ready();
    Actions().HoldUnitLock(cli.Folder());
    const CliHarness::Result refused = cli.Cli({"set", "bAlarmCtrl=0", "--yes"});
    EXPECT_EQ(refused.code, 4);
    EXPECT_NE(refused.err.find("in use by ui_tests, pid "), std::string::npos) << refused.err;
    EXPECT_TRUE(WrittenFrames().empty());
    EndWindow();
    EXPECT_EQ(cli.Cli({"set", "bAlarmCtrl=0", "--yes"}).code, 0);
}

// Another program holds the unit: the window's writes say who and send nothing, and go once
// it has let go.
TEST_F(CliWindowTest, TheWindowWritesNothingWhileAnotherProgramHoldsTheUnit) {
    Ready();
    Flags().upsOn = 0;
    UnitLock other;
    ASSERT_TRUE(other.Take(UnitLock::PlaceOf(bus.Enumerate().at(0), cli.Folder())).Taken());
    Actions().HoldUnitLock(cli.Folder());
    auto* alarm = FindControl<QCheckBox>(Pages().Ups(), ids::ups::kAlarm);
    const std::pair<std::string_view, std::function<void()>> writes[] = {
        {"Apply", [&] { Actions().Apply(); }},
        {"the battery test",
         [&] { FindControl<QPushButton>(Pages().TestInfo(), ids::testinfo::kStartTest)->click(); }},
        {"the language upload", [&] { Actions().UploadLanguage(); }},
    };
    alarm->setChecked(false);
    for (const auto& [name, write] : writes) {
        SCOPED_TRACE(name);
        services.calls.clear();
        write();
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages()[0].caption, "UPS in use");
        EXPECT_TRUE(Messages()[0].text.startsWith("The UPS is in use by ui_tests, pid "))
            << Messages()[0].text.toStdString();
        EXPECT_TRUE(WrittenFrames().empty());
    }
    EXPECT_FALSE(alarm->isChecked());  // the edit stays for later

    other.Release();
    services.messageAnswers = {ButtonId::Yes};
    Actions().Apply();
    EXPECT_EQ(GetField(unit.HeldImage(), bAlarmCtrl), 0u);
}

TEST_F(CliWindowTest, ABackupThatCannotBeMadeKeepsTheEditsAndSaysWhy) {
    const std::string data = std::getenv("XDG_DATA_HOME");
    const auto file = cli.Folder() / "file";
    std::ofstream(file) << "x";
    Ready();
    ::setenv("XDG_DATA_HOME", file.c_str(), 1);
    QCheckBox* alarm = FindControl<QCheckBox>(Pages().Ups(), ids::ups::kAlarm);
    alarm->setChecked(false);
    Actions().Apply();
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    ASSERT_FALSE(Messages().empty());
    EXPECT_TRUE(Messages().back().text.contains("Not a directory"))
        << Messages().back().text.toStdString();
    EXPECT_TRUE(WrittenFrames().empty());
    EXPECT_FALSE(alarm->isChecked());
}

TEST_F(CliWindowTest, ApplyWritesWhatTheWindowsUploadThenApplyWrites) {
    // A file that changes what pages show, a time the page rounds, a value off its list and a
    // page this model has no tab for.
    SettingsImage wanted = held;
    SetField(wanted, bAlarmCtrl, 0);
    SetWord(wanted, OutletOnDT_H_A, 150);
    SetField(wanted, bLowBattTime, 31);
    SetField(wanted, bParalConfig, 2);
    SetField(wanted, BatWeakPer_B, 60);
    SetField(wanted, bECOMode, 1);
    const auto file = cli.Folder() / "wanted.kvr";
    ASSERT_TRUE(WriteSettingsFile(file, wanted));

    Ready();
    Flags().upsOn = 0;  // as the first status read would find it
    services.openFileNames.push_back(QString::fromStdString(file.string()));
    Actions().Upload();
    Actions().Apply();
    const Frames window = WrittenFrames();
    const SettingsImage windowResult = unit.HeldImage();
    EndWindow();
    ASSERT_FALSE(window.empty());

    unit.LoadImage(held);
    bus.ClearLog();
    const CliHarness::Result applied = cli.Cli({"apply", file.string(), "--yes", "--json"});
    EXPECT_EQ(applied.code, 0) << applied.err;
    EXPECT_EQ(WrittenFrames(), window);
    EXPECT_EQ(unit.HeldImage(), windowResult);
    EXPECT_NE(applied.out.find("\"verified\": true"), std::string::npos) << applied.out;
    EXPECT_NE(applied.out.find("\"key\": \"bParalConfig\""), std::string::npos);
}

TEST_F(CliWindowTest, ExportIsTheWindowsDownloadButTheTimeLine) {
    const auto downloaded = cli.Folder() / "window.kvr";
    const auto exported = cli.Folder() / "cli.kvr";
    Ready();
    services.saveFileNames.push_back(QString::fromStdString(downloaded.string()));
    Actions().Download();
    EndWindow();

    EXPECT_EQ(cli.Cli({"export", "-o", exported.string()}).code, 0);
    const std::string text = WithoutTimeLine(exported);
    EXPECT_EQ(text, WithoutTimeLine(downloaded));
    EXPECT_NE(text.find("<OutletOnDT_L_A>60<"), std::string::npos);  // as the page rounds
    EXPECT_EQ(cli.Cli({"export"}).out,
              FormatSettingsFile(PageStore(held, held), CliHarness::FixedTime()));
}

}  // namespace
}  // namespace upsconfig::support
