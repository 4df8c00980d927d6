#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QWidget>
#include <vector>

#include "app/LanguageUpload.h"
#include "device/HidLink.h"
#include "device/ReportLayer.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/ScriptedAppServices.h"

namespace upsconfig {
namespace {

using support::ScriptedAppServices;
using Kind = ScriptedAppServices::Kind;
using Direction = SimulatedUps::Direction;
using support::FakePauser;

// Notes what the unit had been sent by the time the tool was started.
class LaunchWatcher : public ScriptedAppServices {
  public:
    explicit LaunchWatcher(const SimulatedUps& ups) : ups_(ups) {}
    bool LaunchProgram(const QString& exactPath) override {
        writesBeforeLaunch = ups_.WrittenIds();
        return ScriptedAppServices::LaunchProgram(exactPath);
    }
    std::vector<std::uint8_t> writesBeforeLaunch;

  private:
    const SimulatedUps& ups_;
};

class LanguageUploadTest : public testing::Test {
  protected:
    void SetUp() override {
        link.SetIds(kUpsVendorId, kUpsProductId);
        reports.ReadAllReports();
        ASSERT_TRUE(reports.Connected());
        reports.Flags().keepPolling = 1;
        ups.ClearLog();
    }

    void Run() {
        UploadLanguage(
            &owner, reports, pauser.AsPauser(), [this] { return monitorRunning; },
            [this] {
                ++ended;
                endedWhileMonitorRan = monitorRunning;
            },
            toolPath);
    }

    // Nothing reached the unit or the outside world, and the program goes on.
    void ExpectNothingHappened() {
        EXPECT_TRUE(ups.Log().empty());
        EXPECT_TRUE(services.CallsOf(Kind::Launch).empty());
        EXPECT_EQ(reports.Flags().keepPolling.load(), 1);
        EXPECT_EQ(pauser.Count(), 0u);
        EXPECT_EQ(ended, 0);
        EXPECT_FALSE(ups.Unit().DisplayUpdateMode());
    }

    SimulatedUps ups;
    HidLink link{ups};
    FakePauser layerPauser;
    ReportLayer reports{link, layerPauser.AsPauser()};
    FakePauser pauser;
    LaunchWatcher services{ups};
    ScriptedAppServices::Installed installed{services};
    QWidget owner;
    QString toolPath =
        QDir::toNativeSeparators("/opt/ups tools/my config/Include/KVR8_Language_Tool.exe");
    bool monitorRunning = false;
    int ended = 0;
    bool endedWhileMonitorRan = false;
};

TEST_F(LanguageUploadTest, CancelSendsAndStartsNothing) {
    services.messageAnswers.push_back(ButtonId::Cancel);
    Run();

    ASSERT_EQ(services.calls.size(), 1u);
    const auto& ask = services.calls[0];
    EXPECT_EQ(ask.kind, Kind::Message);
    EXPECT_EQ(ask.owner, &owner);
    EXPECT_EQ(ask.caption, "Language upload");
    EXPECT_EQ(ask.style, 0x21u);
    EXPECT_EQ(ask.text, LanguageUploadConfirmation());
    // The installer path carries its blanks; the text ends with a line end.
    EXPECT_TRUE(
        ask.text.contains("\"[CD drive letter]:\\Software\\ Language Tool\\Driver For "
                          "Language Tool \\KVR8 Language Tool Driver 1.0 Installer.exe\""));
    EXPECT_EQ(ask.text.count("\r\n\r\n"), 3);
    EXPECT_TRUE(ask.text.endsWith("normal mode and try again.\r\n"));
    ExpectNothingHappened();
}

TEST_F(LanguageUploadTest, OkSwitchesTheDisplayThenLaunchesTheExactToolAndEnds) {
    services.fileExistsAnswers.push_back(true);
    monitorRunning = true;
    // The monitor finishes its pass during the third 100 ms step.
    pauser.onPause = [this](int) {
        EXPECT_EQ(reports.Flags().keepPolling.load(), 0) << "polling stopped before the wait";
        if (pauser.Count() == 4) monitorRunning = false;
    };
    Run();

    // The 0x44 read, then its write with bit 7 of data byte 2, before the tool starts.
    EXPECT_EQ(services.writesBeforeLaunch, std::vector<std::uint8_t>{0x44});
    const auto written = ups.LastWrite(0x44);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ((*written)[2] & 0x80, 0x80);
    EXPECT_TRUE(ups.Unit().DisplayUpdateMode());

    ASSERT_EQ(services.CallsOf(Kind::FileExists).size(), 1u);
    EXPECT_EQ(services.CallsOf(Kind::FileExists)[0].path, toolPath);
    ASSERT_EQ(services.CallsOf(Kind::Launch).size(), 1u);
    EXPECT_EQ(services.CallsOf(Kind::Launch)[0].path, toolPath);
    EXPECT_EQ(services.CallsOf(Kind::Message).size(), 1u) << "nothing after the confirmation";

    EXPECT_EQ(reports.Flags().keepPolling.load(), 0);
    EXPECT_EQ(pauser.Pauses(), (std::vector<int>{500, 100, 100, 100}));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(endedWhileMonitorRan);
}

TEST_F(LanguageUploadTest, MissingToolIsReportedAndNothingIsSent) {
    Run();  // OK, but the tool is not there

    ASSERT_EQ(services.CallsOf(Kind::Message).size(), 2u);
    const auto message = services.CallsOf(Kind::Message)[1];
    EXPECT_EQ(message.caption, "Language upload");
    EXPECT_EQ(message.style, 0x10u);
    EXPECT_TRUE(message.text.contains(toolPath)) << message.text.toStdString();
    ExpectNothingHappened();
}

TEST_F(LanguageUploadTest, UnreadableSummaryReportDropsTheRequestButStillStartsTheTool) {
    services.fileExistsAnswers.push_back(true);
    ups.FailReport(0x44);
    Run();

    EXPECT_EQ(ups.CountTransfers(Direction::Get, 0x44), ReportLayer::kReadAttempts);
    EXPECT_EQ(ups.CountTransfers(Direction::Set, 0x44), 0);
    EXPECT_FALSE(ups.Unit().DisplayUpdateMode());
    ASSERT_EQ(services.CallsOf(Kind::Launch).size(), 1u);
    EXPECT_EQ(services.CallsOf(Kind::Launch)[0].path, toolPath);
    EXPECT_EQ(services.CallsOf(Kind::Message).size(), 1u);
    EXPECT_EQ(pauser.Pauses(), std::vector<int>{500});
    EXPECT_EQ(ended, 1);
}

TEST_F(LanguageUploadTest, FailedLaunchTellsHowToBringTheDisplayBackAndStillEnds) {
    services.fileExistsAnswers.push_back(true);
    services.launchResults.push_back(false);
    Run();

    EXPECT_TRUE(ups.Unit().DisplayUpdateMode());
    ASSERT_EQ(services.CallsOf(Kind::Message).size(), 2u);
    const auto message = services.CallsOf(Kind::Message)[1];
    EXPECT_EQ(message.style, 0x10u);
    EXPECT_TRUE(message.text.contains("ESC button on the UPS display"))
        << message.text.toStdString();
    EXPECT_TRUE(message.text.contains(toolPath));
    EXPECT_EQ(reports.Flags().keepPolling.load(), 0);
    EXPECT_EQ(ended, 1);
}

TEST(LanguageToolPath, IsIncludeBesideTheProgramInNativeSeparators) {
    EXPECT_EQ(LanguageToolPath("/opt/my ups"),
              QDir::toNativeSeparators("/opt/my ups/Include/KVR8_Language_Tool.exe"));
    EXPECT_EQ(LanguageToolPath(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath() +
                                                           "/Include/KVR8_Language_Tool.exe"));
}

}  // namespace
}  // namespace upsconfig
