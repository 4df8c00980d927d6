#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "unit/ModelTable.h"

namespace upsconfig {
namespace {

using G = VoltageGroup;
using Codes = std::set<int>;

std::vector<std::string_view> ItemsOf(G group) {
    const auto items = ModelTable::Items(group);
    return {items.begin(), items.end()};
}

Codes CodesWhere(bool (*decision)(int)) {
    Codes codes;
    for (int code = 0; code <= 255; ++code) {
        if (decision(code)) codes.insert(code);
    }
    return codes;
}

Codes Range(int first, int last) {
    Codes codes;
    for (int c = first; c <= last; ++c)
        codes.insert(c);
    return codes;
}

TEST(ModelTableTest, Code3Is120VoltWithReverseBox) {
    EXPECT_EQ(ModelTable::ModelName(3), "KVR8-3000-120");
    EXPECT_EQ(ModelTable::GroupOf(3), G::V120);
    EXPECT_EQ(ModelTable::PositionOfCode(G::V120, 4), 3);
    EXPECT_EQ(ModelTable::Items(G::V120)[3], "127");
    EXPECT_TRUE(ModelTable::ShowsReverseDetection(3));
    EXPECT_TRUE(ModelTable::HasOutletTabs(3));
}

TEST(ModelTableTest, Code21IsTheParallelHighPowerModel) {
    EXPECT_EQ(ModelTable::ModelName(21), "KVR8-10000-230");
    EXPECT_EQ(ModelTable::GroupOf(21), G::HighPower230);
    EXPECT_EQ(ItemsOf(G::HighPower230), (std::vector<std::string_view>{"220", "*230", "240"}));
    EXPECT_TRUE(ModelTable::HidesStartupOnBypass(21));
    EXPECT_TRUE(ModelTable::HasParallelTab(21));
    EXPECT_FALSE(ModelTable::HasOutletTabs(21));
    EXPECT_TRUE(ModelTable::DryContactUsesPins5And6(21));
    EXPECT_FALSE(ModelTable::ShowsReverseDetection(21));
}

TEST(ModelTableTest, Code22HasNoNameButAParallelTab) {
    EXPECT_EQ(ModelTable::ModelName(22), "");
    EXPECT_EQ(ModelTable::GroupOf(22), G::None);
    EXPECT_TRUE(ModelTable::HasParallelTab(22));
    EXPECT_FALSE(ModelTable::HasOutletTabs(22));
    EXPECT_TRUE(ModelTable::DryContactUsesPins5And6(22));
    EXPECT_FALSE(ModelTable::HidesStartupOnBypass(22));
}

TEST(ModelTableTest, Code18Is208VoltGroup) {
    EXPECT_EQ(ModelTable::ModelName(18), "KVR8-6000L-630");
    EXPECT_EQ(ModelTable::GroupOf(18), G::V208);
    EXPECT_EQ(ModelTable::PositionOfCode(G::V208, 6), 0);
    EXPECT_EQ(ModelTable::Items(G::V208)[0], "*208");
    EXPECT_EQ(ModelTable::PositionOfCode(G::V208, 5), std::nullopt);
}

TEST(ModelTableTest, Code33IsSplitPhaseDefaulting120Over208) {
    EXPECT_EQ(ModelTable::ModelName(33), "R7M6-10K");
    EXPECT_EQ(ModelTable::GroupOf(33), G::SplitPhase);
    EXPECT_EQ(ModelTable::FactoryDefaultPosition(G::SplitPhase), 8);
    EXPECT_EQ(ModelTable::Items(G::SplitPhase)[8], "*120/208");
}

TEST(ModelTableTest, CodesWithoutRowsGetNothing) {
    EXPECT_EQ(ModelTable::ModelName(0), "MINVALIDATION");
    for (int code : {0, 54, 99, 255, 256, -1}) {
        SCOPED_TRACE(code);
        if (code != 0) {
            EXPECT_EQ(ModelTable::ModelName(code), "");
        }
        EXPECT_EQ(ModelTable::GroupOf(code), G::None);
        EXPECT_FALSE(ModelTable::HasOutletTabs(code));
        EXPECT_FALSE(ModelTable::HasParallelTab(code));
        EXPECT_FALSE(ModelTable::DryContactUsesPins5And6(code));
        EXPECT_FALSE(ModelTable::ShowsReverseDetection(code));
        EXPECT_FALSE(ModelTable::HidesStartupOnBypass(code));
    }
}

TEST(ModelTableTest, VoltageCodesOutsideAGroupsRowHaveNoPosition) {
    // Split phase stores the position itself, so code 0 is a real item there.
    EXPECT_EQ(ModelTable::PositionOfCode(G::SplitPhase, 0), 0);
    EXPECT_EQ(ModelTable::CodeOfPosition(G::SplitPhase, 0), 0);
    for (int code = 10; code <= 15; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(ModelTable::PositionOfCode(G::SplitPhase, code), std::nullopt);
        EXPECT_EQ(ModelTable::PositionOfCode(G::V120, code), std::nullopt);
        EXPECT_EQ(ModelTable::PositionOfCode(G::V230, code), std::nullopt);
    }
    for (G g : {G::V120, G::V230, G::HighPower230, G::V208}) {
        EXPECT_EQ(ModelTable::PositionOfCode(g, 0), std::nullopt);
    }
    EXPECT_EQ(ModelTable::PositionOfCode(G::V120, 5), std::nullopt);
    EXPECT_EQ(ModelTable::PositionOfCode(G::HighPower230, 6), std::nullopt);
    EXPECT_EQ(ModelTable::PositionOfCode(G::None, 3), std::nullopt);
}

TEST(ModelTableTest, PositionsOutsideTheListHaveNoCode) {
    for (G g : {G::None, G::V120, G::V230, G::HighPower230, G::SplitPhase, G::V208}) {
        const int size = static_cast<int>(ModelTable::Items(g).size());
        EXPECT_EQ(ModelTable::CodeOfPosition(g, -1), std::nullopt);  // no selection
        EXPECT_EQ(ModelTable::CodeOfPosition(g, size), std::nullopt);
        for (int pos = 0; pos < size; ++pos) {
            // Position and code lookups must be inverse on every item.
            const auto code = ModelTable::CodeOfPosition(g, pos);
            ASSERT_TRUE(code.has_value());
            EXPECT_EQ(ModelTable::PositionOfCode(g, *code), pos);
        }
    }
    EXPECT_EQ(ModelTable::CodeOfPosition(G::V230, 3), 8);
    EXPECT_EQ(ModelTable::CodeOfPosition(G::V208, 1), 7);
    EXPECT_EQ(ModelTable::FactoryDefaultPosition(G::None), std::nullopt);
    EXPECT_TRUE(ModelTable::Items(G::None).empty());
}

TEST(ModelTableTest, EveryGroupedModelHasItsDefaultMarkedWithAStar) {
    for (int code = 1; code <= 53; ++code) {
        const G group = ModelTable::GroupOf(code);
        if (group == G::None) continue;
        SCOPED_TRACE(code);
        const auto items = ModelTable::Items(group);
        const auto def = ModelTable::FactoryDefaultPosition(group);
        ASSERT_TRUE(def.has_value());
        ASSERT_GE(*def, 0);
        ASSERT_LT(static_cast<std::size_t>(*def), items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].starts_with('*'), i == static_cast<std::size_t>(*def)) << items[i];
        }
        EXPECT_NE(ModelTable::ModelName(code), "");
    }
}

// The rows again, written as code sets per decision: a slip in one row shows up here.
TEST(ModelTableTest, DecisionsMatchTheirCodeSets) {
    const Codes v120{3, 5, 7, 9, 11, 12, 13, 25, 27, 28, 30, 31, 44, 46, 48, 50, 52, 53};
    const Codes v230{1, 4, 6, 8, 10, 24, 26, 29, 39, 40, 41, 42, 43, 45, 47, 49, 51};
    const Codes high230{19, 20, 21, 32, 38};
    const Codes split{14, 15, 16, 17, 33, 34};
    const Codes v208{2, 18};
    for (int code = 0; code <= 255; ++code) {
        G expected = G::None;
        if (v120.contains(code)) expected = G::V120;
        if (v230.contains(code)) expected = G::V230;
        if (high230.contains(code)) expected = G::HighPower230;
        if (split.contains(code)) expected = G::SplitPhase;
        if (v208.contains(code)) expected = G::V208;
        EXPECT_EQ(ModelTable::GroupOf(code), expected) << "code " << code;
    }

    EXPECT_EQ(CodesWhere(&ModelTable::ShowsReverseDetection), v120);
    EXPECT_EQ(CodesWhere(&ModelTable::HidesStartupOnBypass), Codes{21});
    EXPECT_EQ(CodesWhere(&ModelTable::HasParallelTab), (Codes{21, 22}));
    Codes outlets = Range(1, 13);
    outlets.merge(Range(24, 31));
    outlets.merge(Range(39, 53));
    EXPECT_EQ(CodesWhere(&ModelTable::HasOutletTabs), outlets);
    Codes pins = Range(14, 23);
    pins.merge(Codes{32, 33, 34, 38});
    EXPECT_EQ(CodesWhere(&ModelTable::DryContactUsesPins5And6), pins);
}

}  // namespace
}  // namespace upsconfig
