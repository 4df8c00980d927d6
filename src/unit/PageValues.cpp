#include "unit/PageValues.h"

#include "unit/ModelTable.h"
#include "unit/Tabs.h"

namespace upsconfig {
namespace {

using enum FieldId;
using K = ValueKind;

// The outlet pages' edits: times in minutes, the capacity in percent.
constexpr unsigned kMaxMinutes = 30;
constexpr unsigned kLowestCapacity = 20;
constexpr unsigned kHighestCapacity = 80;

// The lists of the pages whose items are numbers rather than words.
struct NumberList {
    FieldId field;
    unsigned low;
    unsigned high;
};
constexpr NumberList kNumberLists[] = {
    {bLowBattTime, 2, 30},
    {bBattType, 0, 6},
    {bParalConfig, 1, 3},
    {bParalAddr, 1, 3},  // no more than the number of units, where that is one of the list's
};

// What Factory Setting selects, where it is not the first item or the value 0.
struct FactoryValue {
    FieldId field;
    unsigned value;
};
constexpr FactoryValue kFactoryValues[] = {
    {bAlarmCtrl, 1},
    {bAutoStartEn, 1},
    {bShutDownLogic, 1},
    {bLowBattTime, 2},
    {bAutoBattTestEn, 1},
    {bParalConfig, 1},
    {bParalAddr, 1},
    {bECO_Vol_Tol, 1},
    {bECO_Freq_Tol, 2},
    {BatWeakPer_A, 20},
    {BatWeakPer_B, 20},
    {BatWeakRunTime_H_A, 300},
    {BatWeakRunTime_H_B, 300},
    {OutletOffAftACOffDT_H_A, 300},
    {OutletOffAftACOffDT_H_B, 300},
    {bPROVOB_1, 1},
    {bPROVRL_1, 1},
    {bPROVCL_1, 1},
    {bPROVOB_2, 1},
    {bPROVRL_2, 1},
    {bPROVCL_2, 1},
};

int ModelOf(const SettingsImage& image) { return static_cast<int>(GetField(image, bModelCode)); }

const NumberList* NumberListOf(FieldId field) {
    for (const NumberList& list : kNumberLists)
        if (list.field == field) return &list;
    return nullptr;
}

unsigned HighestOf(const NumberList& list, const SettingsImage& image) {
    // The unit-id list holds as many ids as there are units in parallel.
    const unsigned units = GetField(image, bParalConfig);
    if (list.field == bParalAddr && units >= 1 && units <= 3) return units;
    return list.high;
}

}  // namespace

bool PageAccepts(const SettingMeaning& setting, unsigned value, const SettingsImage& image) {
    if (setting.page == EditedOn::NoPage) return false;
    switch (setting.kind) {
        case K::Check:
        case K::InverseCheck:
            return value <= 1;
        case K::List:
            return value < setting.items.size();
        case K::Voltage:
            return ModelTable::PositionOfCode(ModelTable::GroupOf(ModelOf(image)),
                                              static_cast<int>(value))
                .has_value();
        case K::Seconds:
            return value / 60 <= kMaxMinutes;
        case K::Percent:
            return value >= kLowestCapacity && value <= kHighestCapacity;
        case K::Number:
            if (const NumberList* list = NumberListOf(setting.field))
                return value >= list->low && value <= HighestOf(*list, image);
            return false;
    }
    return false;
}

unsigned PageStoredValue(const SettingMeaning& setting, unsigned value) {
    return setting.kind == K::Seconds ? value / 60 * 60 : value;
}

SettingsImage PageStore(const SettingsImage& loaded, const SettingsImage& into) {
    const int model = ModelOf(loaded);
    const FieldSet applicable = ApplicableFields(model);
    SettingsImage stored = into;
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (setting.page == EditedOn::NoPage ||
            !applicable[static_cast<std::size_t>(setting.field)])
            continue;
        // The box is stored whether shown or not; where hidden, the pages never load it, so it
        // stays unchecked as created.
        if (setting.field == bReverseDect && !ModelTable::ShowsReverseDetection(model)) {
            SetValue(stored, setting, 0);
            continue;
        }
        const unsigned value = ValueOf(loaded, setting);
        if (PageAccepts(setting, value, loaded)) {
            SetValue(stored, setting, PageStoredValue(setting, value));
        } else if (setting.kind == K::Seconds) {
            // An outlet edit out of range gives way to the record's time, in whole minutes.
            SetValue(stored, setting, PageStoredValue(setting, ValueOf(into, setting)));
        }
    }
    return stored;
}

SettingsImage FactorySettings(int modelCode) {
    SettingsImage image;
    SetField(image, bModelCode, static_cast<unsigned>(modelCode));
    for (const FactoryValue& value : kFactoryValues)
        SetValue(image, *MeaningOf(value.field), value.value);
    const VoltageGroup group = ModelTable::GroupOf(modelCode);
    if (const auto position = ModelTable::FactoryDefaultPosition(group))
        SetField(image, bOutputLevel,
                 static_cast<unsigned>(*ModelTable::CodeOfPosition(group, *position)));
    SetField(image, bReverseDect, ModelTable::ShowsReverseDetection(modelCode) ? 1 : 0);
    return image;
}

}  // namespace upsconfig
