#include "pages/DryContactPage.h"

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTest>

#include "resources/Ids.h"
#include "resources/StringTable.h"
#include "support/PageTestSupport.h"
#include "support/QtPrinters.h"

namespace upsconfig {
namespace {

namespace id = ids::drycontact;

using support::Hex;
using support::ImageWith;
using F = FieldId;

class DryContactPageTest : public testing::Test {
  protected:
    SettingsImage Stored(SettingsImage image) {
        page.StoreSettings(image);
        return image;
    }
    bool Checked(int id) { return page.Control<QRadioButton>(id)->isChecked(); }

    DryContactPage page;
};

TEST_F(DryContactPageTest, LoadThenStoreWritesTheSameBitsBack) {
    for (unsigned action : {0u, 1u}) {
        for (unsigned logic : {0u, 1u}) {
            for (std::uint8_t fill : {0x00, 0xFF}) {
                SCOPED_TRACE(testing::Message()
                             << "action " << action << " logic " << logic << " fill " << int(fill));
                const SettingsImage image =
                    ImageWith(fill, {{F::bShutDownAction, action}, {F::bShutDownLogic, logic}});
                page.LoadSettings(image);
                EXPECT_EQ(Checked(id::kAutoEnable), action == 1);
                EXPECT_EQ(Checked(id::kManualRestart), action == 0);
                EXPECT_EQ(Checked(id::kNormallyOpen), logic == 1);
                EXPECT_EQ(Checked(id::kNormallyClosed), logic == 0);
                EXPECT_EQ(Hex(Stored(image)), Hex(image));
                // Into the opposite values: both bits follow the page, nothing else moves.
                SettingsImage expected = ImageWith(static_cast<std::uint8_t>(~fill), {});
                const SettingsImage stored = Stored(expected);
                SetField(expected, F::bShutDownAction, action);
                SetField(expected, F::bShutDownLogic, logic);
                EXPECT_EQ(Hex(stored), Hex(expected));
            }
        }
    }
}

TEST_F(DryContactPageTest, ANeverLoadedPageLeavesBothBits) {
    for (std::uint8_t fill : {0x00, 0xFF}) {
        const SettingsImage image = ImageWith(fill, {});
        EXPECT_EQ(Hex(Stored(image)), Hex(image));
    }
}

TEST_F(DryContactPageTest, FactoryDefaultsThenStoreGiveManualRestartNormallyOpen) {
    const SettingsImage image = ImageWith(0xFF, {{F::bShutDownAction, 1}, {F::bShutDownLogic, 0}});
    page.LoadSettings(image);
    page.SetFactoryDefaults();
    EXPECT_TRUE(Checked(id::kManualRestart));
    EXPECT_FALSE(Checked(id::kAutoEnable));
    EXPECT_TRUE(Checked(id::kNormallyOpen));
    EXPECT_FALSE(Checked(id::kNormallyClosed));
    const SettingsImage stored = Stored(image);
    EXPECT_EQ(GetField(stored, F::bShutDownAction), 0u);
    EXPECT_EQ(GetField(stored, F::bShutDownLogic), 1u);
}

TEST_F(DryContactPageTest, HoverHelpNamesThePinsOfTheModelInTheOwnCopy) {
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    auto hover = [&](int id) { return support::HoverOver(page, id, id::kHelp); };
    auto help = [](int stringId) { return support::HelpText(LoadString(stringId)); };

    page.SetOwnImage(ImageWith(0, {{F::bModelCode, 20}}));
    EXPECT_EQ(hover(id::kManualRestart), help(ids::text::kDryManualRestartPins56Help));
    EXPECT_TRUE(hover(id::kManualRestart).contains("pin 5 and pin 6"));
    EXPECT_TRUE(hover(id::kManualRestart).contains("Start button"));
    EXPECT_EQ(hover(id::kAutoEnable), help(ids::text::kDryAutoEnablePins56Help));
    EXPECT_EQ(hover(id::kNormallyOpen), help(ids::text::kDryNormallyOpenPins56Help));
    EXPECT_EQ(hover(id::kNormallyClosed), help(ids::text::kDryNormallyClosedPins56Help));

    // The copy is read at each move: a new model changes the text without a reload.
    page.SetOwnImage(ImageWith(0, {{F::bModelCode, 24}}));
    EXPECT_EQ(hover(id::kManualRestart), help(ids::text::kDryManualRestartHelp));
    EXPECT_TRUE(hover(id::kManualRestart).contains("pin 1 and pin 2"));
    EXPECT_TRUE(hover(id::kManualRestart).contains("LCD"));
    EXPECT_EQ(hover(id::kAutoEnable), help(ids::text::kDryAutoEnableHelp));
    EXPECT_EQ(hover(id::kNormallyOpen), help(ids::text::kDryNormallyOpenHelp));
    EXPECT_EQ(hover(id::kNormallyClosed), help(ids::text::kDryNormallyClosedHelp));
}

}  // namespace
}  // namespace upsconfig
