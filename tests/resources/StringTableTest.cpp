#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/StringTable.h"

namespace upsconfig {
namespace {

TEST(StringTable, EveryQuotedIdHasItsTextAndNoOtherIdHasOne) {
    std::set<int> ids = {101, 104, 126, 140, 141, 142, 143, 170, 171, 180, 204, 205, 206, 207};
    for (int id = 107; id <= 122; ++id)
        ids.insert(id);
    for (int id = 192; id <= 202; ++id)
        ids.insert(id);
    for (int id = 0; id < 1100; ++id) {
        EXPECT_EQ(!LoadString(id).empty(), ids.count(id) == 1) << id;
    }
    EXPECT_TRUE(LoadString(-1).empty());
}

TEST(StringTable, BlanksAndLineBreaksAsTheyStand) {
    EXPECT_EQ(LoadString(101), "About Orvane UPS KVR8 Tool");
    EXPECT_EQ(LoadString(104), "The changes have been saved and\nwill take effect immediately");
    const std::string_view s117 = LoadString(117);
    EXPECT_NE(s117.find("Closed configuration,  disconnect Pin 1&2"), std::string_view::npos);
    EXPECT_NE(s117.find("Port.   For normal UPS operation"), std::string_view::npos);
    EXPECT_NE(LoadString(143).find("Port.   For normal UPS operation Pin 5&6"),
              std::string_view::npos);
    EXPECT_NE(LoadString(118).find("runtime.  A low battery"), std::string_view::npos);
    EXPECT_NE(LoadString(120).find("UPS will  not increase"), std::string_view::npos);
    EXPECT_TRUE(LoadString(204).ends_with("(default)and on. "));
    EXPECT_TRUE(LoadString(126).ends_with("input power returns.\r\n"));
    EXPECT_EQ(LoadString(205), "Turn on outlet immediately.\r\nOnly available when outlet is off.");
}

TEST(StringTable, ParallelTextsDifferOnlyInOneBlank) {
    std::string s170(LoadString(170));
    const std::string_view s171 = LoadString(171);
    ASSERT_NE(s170, s171);
    const auto at = s170.find(" \r\n");
    ASSERT_NE(at, std::string::npos);
    s170.erase(at, 1);
    EXPECT_EQ(s170, s171);
}

}  // namespace
}  // namespace upsconfig
