#include "unit/ModelTable.h"

#include <array>
#include <cstddef>

namespace upsconfig {
namespace {

using G = VoltageGroup;

struct ModelRow {
    std::string_view name;
    VoltageGroup group;
    bool outletTabs;
    bool parallelTab;
    bool pins5And6;  // dry-contact help names terminal pins 5 and 6 instead of 1 and 2
    bool hidesStartupOnBypass;
};

constexpr ModelRow Row(std::string_view name, VoltageGroup group, bool outlets,
                       bool parallel = false, bool pins56 = false, bool hideBypass = false) {
    return ModelRow{name, group, outlets, parallel, pins56, hideBypass};
}

constexpr bool kOutlets = true;
constexpr bool kNoOutlets = false;
constexpr bool kParallel = true;
constexpr bool kPins56 = true;
constexpr bool kHideBypass = true;

// One row per model code, index = code.
constexpr std::array<ModelRow, 54> kModels{{
    /*  0 */ Row("MINVALIDATION", G::None, kNoOutlets),
    /*  1 */ Row("KVR8-3000-230", G::V230, kOutlets),
    /*  2 */ Row("KVR8-3000-208", G::V208, kOutlets),
    /*  3 */ Row("KVR8-3000-120", G::V120, kOutlets),
    /*  4 */ Row("KVR8-2000-230", G::V230, kOutlets),
    /*  5 */ Row("KVR8-2000-120", G::V120, kOutlets),
    /*  6 */ Row("KVR8-1500-230", G::V230, kOutlets),
    /*  7 */ Row("KVR8-1500-120", G::V120, kOutlets),
    /*  8 */ Row("KVR8-1000-230", G::V230, kOutlets),
    /*  9 */ Row("KVR8-1000-120", G::V120, kOutlets),
    /* 10 */ Row("KVR8-700-230", G::V230, kOutlets),
    /* 11 */ Row("KVR8-700-120", G::V120, kOutlets),
    /* 12 */ Row("KVR8-500-120", G::V120, kOutlets),
    /* 13 */ Row("KVR8-1000M-120", G::V120, kOutlets),
    /* 14 */ Row("KVR8-5000-208", G::SplitPhase, kNoOutlets, false, kPins56),
    /* 15 */ Row("KVR8-6000-208", G::SplitPhase, kNoOutlets, false, kPins56),
    /* 16 */ Row("KVR8-8000-208", G::SplitPhase, kNoOutlets, false, kPins56),
    /* 17 */ Row("KVR8-10000-208", G::SplitPhase, kNoOutlets, false, kPins56),
    /* 18 */ Row("KVR8-6000L-630", G::V208, kNoOutlets, false, kPins56),
    /* 19 */ Row("KVR8-5000-230", G::HighPower230, kNoOutlets, false, kPins56),
    /* 20 */ Row("KVR8-6000-230", G::HighPower230, kNoOutlets, false, kPins56),
    /* 21 */ Row("KVR8-10000-230", G::HighPower230, kNoOutlets, kParallel, kPins56, kHideBypass),
    /* 22 */ Row("", G::None, kNoOutlets, kParallel, kPins56),
    /* 23 */ Row("", G::None, kNoOutlets, false, kPins56),
    /* 24 */ Row("R7M2-3000-5", G::V230, kOutlets),
    /* 25 */ Row("R7M2-3000", G::V120, kOutlets),
    /* 26 */ Row("R7M2-2000-5", G::V230, kOutlets),
    /* 27 */ Row("R7M2-2000", G::V120, kOutlets),
    /* 28 */ Row("R7M2-1500", G::V120, kOutlets),
    /* 29 */ Row("R7M2-1000-5", G::V230, kOutlets),
    /* 30 */ Row("R7M2-1000", G::V120, kOutlets),
    /* 31 */ Row("R7M2-700", G::V120, kOutlets),
    /* 32 */ Row("R7M5-6000-5", G::HighPower230, kNoOutlets, false, kPins56),
    /* 33 */ Row("R7M6-10K", G::SplitPhase, kNoOutlets, false, kPins56),
    /* 34 */ Row("R7M4-6000", G::SplitPhase, kNoOutlets, false, kPins56),
    /* 35 */ Row("", G::None, kNoOutlets),
    /* 36 */ Row("", G::None, kNoOutlets),
    /* 37 */ Row("", G::None, kNoOutlets),
    /* 38 */ Row("KVR8-5000-230U", G::HighPower230, kNoOutlets, false, kPins56),
    /* 39 */ Row("KVR8-3000-230A", G::V230, kOutlets),
    /* 40 */ Row("KVR8-2000-230A", G::V230, kOutlets),
    /* 41 */ Row("KVR8-1500-230A", G::V230, kOutlets),
    /* 42 */ Row("KVR8-1000-230A", G::V230, kOutlets),
    /* 43 */ Row("KVR8-3000-230B", G::V230, kOutlets),
    /* 44 */ Row("KVR8-3000-120B", G::V120, kOutlets),
    /* 45 */ Row("KVR8-2000-230B", G::V230, kOutlets),
    /* 46 */ Row("KVR8-2000-120B", G::V120, kOutlets),
    /* 47 */ Row("KVR8-1500-230B", G::V230, kOutlets),
    /* 48 */ Row("KVR8-1500-120B", G::V120, kOutlets),
    /* 49 */ Row("KVR8-1000-230B", G::V230, kOutlets),
    /* 50 */ Row("KVR8-1000-120B", G::V120, kOutlets),
    /* 51 */ Row("KVR8-700-230B", G::V230, kOutlets),
    /* 52 */ Row("KVR8-700-120B", G::V120, kOutlets),
    /* 53 */ Row("KVR8-500-120B", G::V120, kOutlets),
}};

// Codes past the table (54 to 255) and anything out of byte range share this row.
constexpr ModelRow kUnknownModel = Row("", G::None, kNoOutlets);

const ModelRow& RowOf(int modelCode) {
    if (modelCode < 0 || static_cast<std::size_t>(modelCode) >= kModels.size()) {
        return kUnknownModel;
    }
    return kModels[static_cast<std::size_t>(modelCode)];
}

// The voltage list of a group: items shown, the bOutputLevel value of each position, and the
// position marked "*" that Factory Setting selects.
struct GroupRow {
    std::span<const std::string_view> items;
    std::span<const int> codes;
    int factoryDefault;
};

constexpr std::array<std::string_view, 4> kItems120{"110", "115", "*120", "127"};
constexpr std::array<int, 4> kCodes120{1, 2, 3, 4};
constexpr std::array<std::string_view, 5> kItems230{"200", "208", "220", "*230", "240"};
constexpr std::array<int, 5> kCodes230{5, 6, 7, 8, 9};
constexpr std::array<std::string_view, 3> kItemsHigh230{"220", "*230", "240"};
constexpr std::array<int, 3> kCodesHigh230{7, 8, 9};
constexpr std::array<std::string_view, 10> kItemsSplit{"100/200",  "110/220", "115/230", "120/240",
                                                       "127/254",  "100/173", "110/190", "115/200",
                                                       "*120/208", "127/220"};
constexpr std::array<int, 10> kCodesSplit{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr std::array<std::string_view, 4> kItems208{"*208", "220", "230", "240"};
constexpr std::array<int, 4> kCodes208{6, 7, 8, 9};

const GroupRow* GroupRowOf(VoltageGroup group) {
    static constexpr GroupRow k120{kItems120, kCodes120, 2};
    static constexpr GroupRow k230{kItems230, kCodes230, 3};
    static constexpr GroupRow kHigh230{kItemsHigh230, kCodesHigh230, 1};
    static constexpr GroupRow kSplit{kItemsSplit, kCodesSplit, 8};
    static constexpr GroupRow k208{kItems208, kCodes208, 0};
    switch (group) {
        case G::V120:
            return &k120;
        case G::V230:
            return &k230;
        case G::HighPower230:
            return &kHigh230;
        case G::SplitPhase:
            return &kSplit;
        case G::V208:
            return &k208;
        case G::None:
            break;
    }
    return nullptr;
}

}  // namespace

std::string_view ModelTable::ModelName(int modelCode) { return RowOf(modelCode).name; }

VoltageGroup ModelTable::GroupOf(int modelCode) { return RowOf(modelCode).group; }

std::span<const std::string_view> ModelTable::Items(VoltageGroup group) {
    const GroupRow* g = GroupRowOf(group);
    return g ? g->items : std::span<const std::string_view>{};
}

std::optional<int> ModelTable::PositionOfCode(VoltageGroup group, int voltageCode) {
    const GroupRow* g = GroupRowOf(group);
    if (!g) return std::nullopt;
    for (std::size_t i = 0; i < g->codes.size(); ++i) {
        if (g->codes[i] == voltageCode) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<int> ModelTable::CodeOfPosition(VoltageGroup group, int position) {
    const GroupRow* g = GroupRowOf(group);
    if (!g || position < 0 || static_cast<std::size_t>(position) >= g->codes.size()) {
        return std::nullopt;
    }
    return g->codes[static_cast<std::size_t>(position)];
}

std::optional<int> ModelTable::FactoryDefaultPosition(VoltageGroup group) {
    const GroupRow* g = GroupRowOf(group);
    if (!g) return std::nullopt;
    return g->factoryDefault;
}

bool ModelTable::ShowsReverseDetection(int modelCode) { return GroupOf(modelCode) == G::V120; }

bool ModelTable::HidesStartupOnBypass(int modelCode) {
    return RowOf(modelCode).hidesStartupOnBypass;
}

bool ModelTable::HasOutletTabs(int modelCode) { return RowOf(modelCode).outletTabs; }

bool ModelTable::HasParallelTab(int modelCode) { return RowOf(modelCode).parallelTab; }

bool ModelTable::DryContactUsesPins5And6(int modelCode) { return RowOf(modelCode).pins5And6; }

bool ModelTable::TakesEveryReport(int modelCode) { return modelCode >= 1 && modelCode <= 53; }

}  // namespace upsconfig
