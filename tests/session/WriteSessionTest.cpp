#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "session/ReadUnit.h"
#include "session/WriteSession.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/TestFiles.h"
#include "unit/PageValues.h"

namespace upsconfig {
namespace {

namespace fs = std::filesystem;

// A unit of model 3 read once, and a plan that changes a setting of every settings report.
class WriteSessionTest : public testing::Test {
  protected:
    void SetUp() override { folder_ = support::UniqueFolder("upsconfig-session"); }
    void TearDown() override { support::RemoveTree(folder_); }

    struct Run {
        WriteSessionResult result;
        SettingsImage wanted;
        SettingsImage held;
        std::vector<int> pauses;
        bool anyWrite = false;
    };

    Run Write(int model, int skip, int failures, std::optional<fs::path> root = {}) {
        SimulatedUps bus;
        bus.Unit().LoadImage(FactorySettings(model));
        support::FakePauser pauser;
        HidLink link(bus);
        link.SetIds(kUpsVendorId, kUpsProductId);
        ReportLayer reports(link, pauser.AsPauser());
        EXPECT_EQ(ReadUnit(reports).outcome, ReadOutcome::Complete);
        const SettingsImage asRead = reports.Image();
        SettingsImage wanted = asRead;
        for (const SettingMeaning& s : SettingMeanings())
            SetValue(wanted, s, ValueOf(asRead, s) ^ 1u);
        bus.ClearLog();
        bus.FailTransfers(skip, failures);
        WriteSession session(reports, {root.value_or(folder_), "model-3"}, pauser.AsPauser());
        Run run{session.Run(asRead, PlanExact(asRead, wanted)), wanted, {}, {}, false};
        run.held = bus.Unit().HeldImage();
        run.pauses = pauser.Pauses();
        for (const auto& t : bus.Log())
            run.anyWrite = run.anyWrite || t.direction == SimulatedUps::Direction::Set;
        return run;
    }

    static bool HoldsEverySetting(const Run& run) {
        return std::ranges::all_of(SettingMeanings(), [&](const SettingMeaning& s) {
            return ValueOf(run.held, s) == ValueOf(run.wanted, s);
        });
    }
    static bool Waited(const Run& run) {
        return std::ranges::count(run.pauses, WriteSession::kApplyWaitMs) == 1;
    }

    fs::path folder_;
};

// A fault at every transfer of the write and the read-back, once or to the end: verified only
// when the unit holds every value, and the session ends where the fault stopped it.
TEST_F(WriteSessionTest, FaultSweepOverEveryTransfer) {
    const Run clean = Write(3, 0, 0);
    ASSERT_TRUE(clean.result.Verified());
    ASSERT_TRUE(HoldsEverySetting(clean));
    ASSERT_EQ(clean.result.reports.size(), 10u);
    ASSERT_TRUE(fs::exists(clean.result.backup));
    const int transfers = 10 + 11;  // the writes, then the read-back

    for (const int failures : {1, 1000000}) {
        for (int k = 0; k < transfers; ++k) {
            SCOPED_TRACE("transfer " + std::to_string(k) + ", failures " +
                         std::to_string(failures));
            const Run run = Write(3, k, failures);
            const WriteSessionResult& r = run.result;
            EXPECT_TRUE(fs::exists(r.backup));  // kept before the first byte, every time
            EXPECT_TRUE(!r.Verified() || HoldsEverySetting(run));
            if (failures == 1) {
                EXPECT_TRUE(r.Verified()) << "one failed attempt is retried";
                continue;
            }
            const WriteEnd expected = k < 10 ? WriteEnd::CommunicationLost : WriteEnd::NotReadBack;
            EXPECT_EQ(r.end, expected);
            EXPECT_EQ(Waited(run), expected == WriteEnd::NotReadBack);
            EXPECT_EQ(r.reports.size(), static_cast<std::size_t>(std::min(k, 10)));
        }
    }
}

TEST_F(WriteSessionTest, NoBackupNothingSentAndAUnitThatTakesOneReport) {
    const Run refused = Write(3, 0, 0, fs::path("/proc/version"));
    EXPECT_EQ(refused.result.end, WriteEnd::BackupFailed);
    EXPECT_FALSE(refused.result.backupFailure.empty());
    EXPECT_FALSE(refused.anyWrite);

    // Model 60 takes report 0x32 alone: the rest is ignored, and what was written is verified.
    const Run one = Write(60, 0, 0);
    EXPECT_TRUE(one.result.Verified());
    EXPECT_EQ(one.result.reports, std::vector<std::uint8_t>{0x32});
    EXPECT_FALSE(one.result.ignored.empty());
    for (const IgnoredValue& i : one.result.ignored)
        EXPECT_EQ(i.by, IgnoredBy::Unit) << SettingKey(*i.setting);
}

}  // namespace
}  // namespace upsconfig
