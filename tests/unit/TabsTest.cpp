#include <gtest/gtest.h>

#include "unit/SettingMeaning.h"
#include "unit/Tabs.h"

namespace upsconfig {
namespace {

using enum FieldId;
using E = EditedOn;

TEST(TabsTest, FollowTheModelAndTheTestInfoFlag) {
    struct Case {
        int model;
        bool testInfo;
        std::vector<E> tabs;
    };
    const Case cases[] = {
        {3,
         true,
         {E::UpsPage, E::BatteryPage, E::Outlet1Page, E::Outlet2Page, E::EcoPage, E::TestInfoPage,
          E::DryContactPage}},
        {21, false, {E::UpsPage, E::BatteryPage, E::ParallelPage, E::EcoPage, E::DryContactPage}},
        {200, false, {E::UpsPage, E::BatteryPage, E::EcoPage, E::DryContactPage}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TabsOf(c.model, c.testInfo), c.tabs) << "model " << c.model;
    EXPECT_EQ(TabLabel(E::DryContactPage), " Dry Contact ");
}

TEST(TabsTest, AnApplyChangesOnlyFieldsOfPagesWithATab) {
    const FieldSet withOutlets = ApplicableFields(3);
    const FieldSet withParallel = ApplicableFields(21);
    const auto has = [](const FieldSet& set, FieldId f) {
        return set.test(static_cast<std::size_t>(f));
    };
    for (const FieldSet& set : {withOutlets, withParallel}) {
        EXPECT_TRUE(has(set, bOutputLevel));
        EXPECT_TRUE(has(set, bECO_Requlify_Interval));
        for (FieldId never : {bModelCode, bCommandFlags, bChangedReports, bSystemSelect,
                              OutletRebootDT_H_A, bSpare})
            EXPECT_FALSE(has(set, never)) << Field(never).name;
    }
    EXPECT_TRUE(has(withOutlets, BatWeakRunTime_L_B));
    EXPECT_FALSE(has(withOutlets, bParalAddr));
    EXPECT_FALSE(has(withParallel, BatWeakRunTime_L_B));
    EXPECT_TRUE(has(withParallel, bParalAddr));
}

TEST(TabsTest, EitherFieldOfATimeFindsItsSetting) {
    for (FieldId f : {OutletOnDT_H_A, OutletOnDT_L_A}) {
        const SettingMeaning* setting = MeaningOf(f);
        ASSERT_NE(setting, nullptr);
        EXPECT_EQ(setting->field, OutletOnDT_H_A);
        EXPECT_EQ(setting->page, E::Outlet1Page);
    }
    EXPECT_EQ(MeaningOf(bModelCode), nullptr);
    EXPECT_EQ(MeaningOf(bChangedReports), nullptr);
}

}  // namespace
}  // namespace upsconfig
