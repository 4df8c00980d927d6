#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QTest>

#include "app/AppFixture.h"
#include "app/LanguageUpload.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

using Kind = support::ScriptedAppServices::Kind;

class LanguageUploadWindow : public AppFixture {
  protected:
    void Click() { QTest::mouseClick(Button(ids::window::kUploadLanguage), Qt::LeftButton); }
};

TEST_F(LanguageUploadWindow, ConfirmedUploadSwitchesTheDisplayStartsTheToolAndEnds) {
    MainDialog& dialog = Ready();
    services.fileExistsAnswers = {true};
    Click();

    EXPECT_TRUE(unit.DisplayUpdateMode());
    ASSERT_EQ(services.CallsOf(Kind::Launch).size(), 1u);
    EXPECT_EQ(services.CallsOf(Kind::Launch)[0].path, LanguageToolPath());
    EXPECT_EQ(Messages().size(), 1u);
    // 500 ms, then 100 ms steps until the monitor has ended.
    const std::vector<int> pauses = pauser.Pauses();
    ASSERT_FALSE(pauses.empty());
    EXPECT_EQ(pauses.back(), 100);
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 500), 1);
    EXPECT_FALSE(dialog.MonitorRunning());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(LanguageUploadWindow, CancelOrAMissingToolLeavesTheProgramRunning) {
    MainDialog& dialog = Ready();
    services.messageAnswers = {ButtonId::Cancel};
    Click();
    Click();  // OK, but no tool beside the program

    EXPECT_EQ(Messages().size(), 3u);
    EXPECT_TRUE(services.CallsOf(Kind::Launch).empty());
    EXPECT_TRUE(bus.WrittenIds().empty());
    EXPECT_FALSE(unit.DisplayUpdateMode());
    EXPECT_EQ(Flags().keepPolling.load(), 1);
    EXPECT_TRUE(dialog.MonitorRunning());
    EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace upsconfig::support
