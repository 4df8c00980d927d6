#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/AppFixture.h"
#include "resources/Ids.h"
#include "settingsfile/SettingsFile.h"

namespace upsconfig::support {
namespace {

using Kind = support::ScriptedAppServices::Kind;
using enum FieldId;

constexpr int kLowBatteryTime = 1002;  // battery page: position = minutes - 2
constexpr int kParallelUnits = 1026;   // parallel page: position = bParalConfig - 1
constexpr int kParallelUnitId = 1027;  // parallel page: position = bParalAddr - 1

// The whole window with Download and Upload; the monitor is parked and the UPS in standby.
class SettingsFileWindow : public AppFixture {
  protected:
    MainDialog& Ready(bool standby = true) {
        MainDialog& dialog = AppFixture::Ready();
        if (standby) Flags().upsOn = 0;  // as the first status read would find it
        return dialog;
    }

    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    void Download(const QString& path) {
        services.saveFileNames.push_back(path);
        Click(ids::window::kDownload);
    }
    void Upload(const QString& path) {
        services.openFileNames.push_back(path);
        Click(ids::window::kUpload);
    }

    // What the pages with a tab show, packed into the settings image.
    SettingsImage Shown() {
        SettingsImage image = Image();
        Pages().StoreWithTabs(image);
        return image;
    }

    static SettingsImage ReadBack(const QString& path) {
        SettingsImage image;
        EXPECT_EQ(ReadSettingsFile(path.toStdString(), image).keysFound, 64);
        return image;
    }

    QComboBox* LowBatteryTime() {
        return Pages().Page(EditedOn::BatteryPage)->Control<QComboBox>(kLowBatteryTime);
    }

    QTemporaryDir dir;
};

TEST_F(SettingsFileWindow, DownloadWritesThePagesAndTheImageForPagesWithoutATab) {
    SettingsImage held = HeldSettings(3);  // model 3: no parallel tab
    SetField(held, bLowBattTime, 4);
    SetField(held, bParalConfig, 2);
    SetField(held, bParalAddr, 2);
    unit.LoadImage(held);
    MainDialog& dialog = Ready();
    ASSERT_EQ(dialog.Pages().Parallel()->TabIndex(), -1);
    LowBatteryTime()->setCurrentIndex(7);  // 9 minutes, not applied
    dialog.Pages().Parallel()->Control<QComboBox>(kParallelUnits)->setCurrentIndex(0);
    const SettingsImage image = Image();

    Download(dir.filePath("pages.kvr"));

    const SettingsImage file = ReadBack(dir.filePath("pages.kvr"));
    EXPECT_EQ(GetField(file, bLowBattTime), 9u) << "the edit on the page";
    EXPECT_EQ(GetField(file, bParalConfig), 2u) << "the image's, the page has no tab";
    EXPECT_EQ(GetField(file, bParalAddr), 2u);
    EXPECT_EQ(Image(), image);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(bus.Log().empty()) << "the unit is not asked";
}

TEST_F(SettingsFileWindow, DownloadAfterIgnoreSavesNothingAndSaysWhy) {
    bus.Unplug();
    services.commErrorChoices = {ButtonId::Ignore};
    Start();
    services.saveFileNames.push_back(dir.filePath("ignored.kvr"));
    Click(ids::window::kDownload);

    EXPECT_FALSE(QFile::exists(dir.filePath("ignored.kvr")));
    EXPECT_TRUE(services.CallsOf(Kind::SaveFileName).empty());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Download Settings");
    EXPECT_EQ(Messages()[0].owner, &Dialog());
}

TEST_F(SettingsFileWindow, DownloadThenUploadKeepsThePagesAndPutsTheEditsIntoTheImage) {
    MainDialog& dialog = Ready();
    LowBatteryTime()->setCurrentIndex(5);
    dialog.Pages()
        .Page(EditedOn::EcoPage)
        ->Control<QComboBox>(ids::eco::kMode)
        ->setCurrentIndex(1);  // ECO mode on
    const SettingsImage shown = Shown();
    ASSERT_NE(shown, Image());

    Download(dir.filePath("round.kvr"));
    Upload(dir.filePath("round.kvr"));

    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Shown(), shown);
    EXPECT_EQ(Image(), shown);
    EXPECT_EQ(LowBatteryTime()->currentIndex(), 5);
    EXPECT_TRUE(bus.WrittenIds().empty()) << "loaded settings wait for Apply";
}

TEST_F(SettingsFileWindow, UploadBeforeTheFirstStatusReadIsRefusedAsOnline) {
    Ready(false);
    ASSERT_EQ(Flags().upsOn.load(), 1);
    Upload(dir.filePath("never.kvr"));
    ASSERT_EQ(services.calls.size(), 1u);
    EXPECT_EQ(services.calls[0].caption, "Upload Settings");
    EXPECT_EQ(services.calls[0].owner, &Dialog());
}

TEST_F(SettingsFileWindow, UploadRefillsTheUnitIdListFirstAndKeepsTheModel) {
    SettingsImage held = HeldSettings(21);  // a model with the parallel tab, one unit
    SetField(held, bOutputLevel, 8);        // 230 V
    unit.LoadImage(held);
    MainDialog& dialog = Ready();
    ASSERT_NE(dialog.Pages().Parallel()->TabIndex(), -1);
    SettingsImage file = held;
    SetField(file, bModelCode, 3);  // not in the file: the unit's stays
    SetField(file, bParalConfig, 3);
    SetField(file, bParalAddr, 3);
    ASSERT_TRUE(WriteSettingsFile(dir.filePath("three.kvr").toStdString(), file));
    const QString modelName =
        dialog.Pages().Ups()->Control<QLineEdit>(ids::ups::kModelName)->text();

    Upload(dir.filePath("three.kvr"));

    auto* unitIds = dialog.Pages().Parallel()->Control<QComboBox>(kParallelUnitId);
    EXPECT_EQ(unitIds->count(), 3);
    EXPECT_EQ(unitIds->currentIndex(), 2) << "unit 3 of 3";
    EXPECT_EQ(dialog.Pages().Parallel()->Control<QComboBox>(kParallelUnits)->currentIndex(), 2);
    EXPECT_EQ(GetField(Image(), bModelCode), 21u);
    EXPECT_EQ(dialog.Pages().Ups()->Control<QLineEdit>(ids::ups::kModelName)->text(), modelName);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SettingsFileWindow, UploadOfAMissingFileKeepsTheUnappliedEdits) {
    MainDialog& dialog = Ready();
    LowBatteryTime()->setCurrentIndex(6);
    const SettingsImage image = Image();

    Upload(dir.filePath("missing.kvr"));

    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].owner, &dialog);
    EXPECT_EQ(LowBatteryTime()->currentIndex(), 6);
    EXPECT_EQ(Image(), image);
}

}  // namespace
}  // namespace upsconfig::support
