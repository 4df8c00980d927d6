#include "unit/SettingMeaning.h"

#include <array>
#include <vector>

#include "unit/ModelTable.h"

namespace upsconfig {
namespace {

using enum FieldId;
using E = EditedOn;
using K = ValueKind;
using Items = std::span<const std::string_view>;

constexpr std::string_view kFrequencyItems[] = {
    "Auto Sensing - 50 or 60 HZ - Bypass Enabled", "Auto Sensing - 50 or 60 HZ - Bypass Disabled",
    "Frequency Converter - 50HZ - Bypass Disabled", "Frequency Converter - 60HZ - Bypass Disabled"};
constexpr std::string_view kShutDownActionItems[] = {
    "Disable Output - Manual Restart Only. UPS needs to restart via LCD menu",
    "Auto-Enable Output - Automatically restart UPS when removing the Anymode shutdown "
    "connection"};
constexpr std::string_view kShutDownLogicItems[] = {"Normally Close (Inverse)",
                                                    "Normally Open (Default)"};
constexpr std::string_view kTestIntervalItems[] = {"8", "12", "16", "20", "26"};
constexpr std::string_view kEcoModeItems[] = {"Off", "On"};
constexpr std::string_view kVoltageToleranceItems[] = {"5%", "10%", "15%"};
constexpr std::string_view kFrequencyToleranceItems[] = {"1Hz", "2Hz", "3Hz"};
constexpr std::string_view kRequalificationItems[] = {"5min", "15min", "30min"};

constexpr bool kStandbyOnly = true;

constexpr SettingMeaning Row(FieldId field, E page, int control, std::string_view label, K kind,
                             Items items = {}, std::string_view unit = {},
                             bool standbyOnly = false) {
    return {field, false, page, control, {}, label, kind, items, unit, standbyOnly};
}

constexpr std::array kPageSettings{
    Row(bOutputLevel, E::UpsPage, 1014, "Output Voltage", K::Voltage, {}, "V", kStandbyOnly),
    Row(bReverseDect, E::UpsPage, 1003, "Enable L-N Reverse Detection", K::Check),
    Row(bFreqLevel, E::UpsPage, 0, "Frequency Selection", K::List, kFrequencyItems, {},
        kStandbyOnly),
    Row(bAlarmCtrl, E::UpsPage, 1019, "Enable Audible Alarm Control", K::Check),
    Row(bInvFirstMode, E::UpsPage, 1033, "Startup on Bypass", K::InverseCheck),
    Row(bAutoStartEn, E::UpsPage, 1010, "Enable auto restart", K::Check),
    Row(bEodMode, E::UpsPage, 1020, "Enable guarantee shutdown", K::Check),
    Row(bShutDownAction, E::DryContactPage, 0,
        "Output Enabling Options After Any Mode Shutdown Activation", K::List,
        kShutDownActionItems),
    Row(bShutDownLogic, E::DryContactPage, 0, "Any Mode Shutdown", K::List, kShutDownLogicItems),
    Row(bLowBattTime, E::BatteryPage, 1002, "Low Battery Time Warning", K::Number, {}, "min"),
    Row(bAutoBattTestTime, E::BatteryPage, 1003, "Auto Battery Test", K::List, kTestIntervalItems,
        "weeks"),
    Row(bBattType, E::BatteryPage, 1004, "External Battery Cabinet", K::Number),
    Row(bAutoBattTestEn, E::BatteryPage, 1008, "Enable auto battery test", K::Check),
    Row(bParalConfig, E::ParallelPage, 1026, "Number of Units in Parallel", K::Number, {}, {},
        kStandbyOnly),
    Row(bParalAddr, E::ParallelPage, 1027, "ID of Units in Parallel", K::Number, {}, {},
        kStandbyOnly),
};

constexpr std::array kEcoSettings{
    Row(bECOMode, E::EcoPage, 1060, "ECO Mode", K::List, kEcoModeItems),
    Row(bECO_Vol_Tol, E::EcoPage, 1056, "Voltage tolerance", K::List, kVoltageToleranceItems),
    Row(bECO_Freq_Tol, E::EcoPage, 1057, "Frequency Tolerance", K::List, kFrequencyToleranceItems),
    Row(bECO_Requlify_Interval, E::EcoPage, 1059, "Requalification Time", K::List,
        kRequalificationItems),
};

// The two outlet pages show the same controls, each for its own fields.
struct OutletSetting {
    FieldId outlet1;
    FieldId outlet2;
    bool word;
    int control;
    std::string_view group;
    std::string_view label;
    K kind;
    std::string_view unit = {};
};

constexpr std::string_view kDischarge = "Battery Discharge Duration";
constexpr std::string_view kRuntime = "Battery Runtime Remaining";
constexpr std::string_view kCapacity = "Battery Capacity";
constexpr std::string_view kTurnOnAgain = "Turn on when power returns";

constexpr OutletSetting kOutletSettings[] = {
    {OutletOnDT_H_A, OutletOnDT_H_B, true, 1021, {}, "Turn on delay", K::Seconds, "min"},
    {bOOOOB_1,
     bOOOOB_2,
     false,
     1032,
     {},
     "Turn off outlet on overload when UPS on battery mode",
     K::Check},
    {bOUPLOF_1, bOUPLOF_2, false, 1049, kDischarge, "Turn off when UPS on battery for", K::Check},
    {OutletOffAftACOffDT_H_A, OutletOffAftACOffDT_H_B, true, 1024, kDischarge,
     "Turn off when UPS on battery for", K::Seconds, "min"},
    {bPROVOB_1, bPROVOB_2, false, 1029, kDischarge, kTurnOnAgain, K::Check},
    {OutletOnAftACRecDT_H_A, OutletOnAftACRecDT_H_B, true, 1022, kDischarge, kTurnOnAgain,
     K::Seconds, "min"},
    {bOBRLOF_1, bOBRLOF_2, false, 1050, kRuntime, "Turn off when runtime is less than", K::Check},
    {BatWeakRunTime_H_A, BatWeakRunTime_H_B, true, 1025, kRuntime,
     "Turn off when runtime is less than", K::Seconds, "min"},
    {bPROVRL_1, bPROVRL_2, false, 1030, kRuntime, kTurnOnAgain, K::Check},
    {OutletOnAftRTlessDT_H_A, OutletOnAftRTlessDT_H_B, true, 1023, kRuntime, kTurnOnAgain,
     K::Seconds, "min"},
    {bOBCLOF_1, bOBCLOF_2, false, 1051, kCapacity, "Turn off when battery capacity <", K::Check},
    {BatWeakPer_A, BatWeakPer_B, false, 1026, kCapacity, "Turn off when battery capacity <",
     K::Percent, "%"},
    {bPROVCL_1, bPROVCL_2, false, 1031, kCapacity, kTurnOnAgain, K::Check},
    {OutletOnAftCPlessDT_H_A, OutletOnAftCPlessDT_H_B, true, 1027, kCapacity, kTurnOnAgain,
     K::Seconds, "min"},
};

// Carried from read to write; no page shows them, so the key names them.
constexpr std::array kUnshownSettings{
    SettingMeaning{
        bSystemSelect, false, E::NoPage, 0, {}, "bSystemSelect", K::Number, {}, {}, false},
    SettingMeaning{OutletRebootDT_H_A,
                   true,
                   E::NoPage,
                   0,
                   {},
                   "OutletRebootDT_H_A/_L_A",
                   K::Number,
                   {},
                   "s",
                   false},
    SettingMeaning{OutletRebootDT_H_B,
                   true,
                   E::NoPage,
                   0,
                   {},
                   "OutletRebootDT_H_B/_L_B",
                   K::Number,
                   {},
                   "s",
                   false},
};

std::vector<SettingMeaning> BuildTable() {
    std::vector<SettingMeaning> all(kPageSettings.begin(), kPageSettings.end());
    for (const auto& [page, outlet2] : {std::pair{E::Outlet1Page, false}, {E::Outlet2Page, true}}) {
        for (const OutletSetting& s : kOutletSettings)
            all.push_back({outlet2 ? s.outlet2 : s.outlet1,
                           s.word,
                           page,
                           s.control,
                           s.group,
                           s.label,
                           s.kind,
                           {},
                           s.unit,
                           false});
    }
    all.insert(all.end(), kEcoSettings.begin(), kEcoSettings.end());
    all.insert(all.end(), kUnshownSettings.begin(), kUnshownSettings.end());
    return all;
}

std::string WithUnit(std::string text, std::string_view unit) {
    if (!unit.empty()) text.append(" ").append(unit);
    return text;
}

}  // namespace

std::span<const SettingMeaning> SettingMeanings() {
    static const std::vector<SettingMeaning> table = BuildTable();
    return table;
}

const SettingMeaning* MeaningOf(FieldId field) {
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (setting.field == field) return &setting;
        if (setting.word && static_cast<int>(setting.field) + 1 == static_cast<int>(field))
            return &setting;
    }
    return nullptr;
}

std::string_view PageName(EditedOn page) {
    switch (page) {
        case E::UpsPage:
            return "UPS";
        case E::DryContactPage:
            return "Dry Contact";
        case E::BatteryPage:
            return "Battery";
        case E::ParallelPage:
            return "Parallel";
        case E::Outlet1Page:
            return "Outlet1";
        case E::Outlet2Page:
            return "Outlet2";
        case E::EcoPage:
            return "ECO Mode";
        case E::TestInfoPage:
            return "Ostrel";
        case E::NoPage:
        case E::ReportWriter:
            break;
    }
    return {};
}

unsigned ValueOf(const SettingsImage& image, const SettingMeaning& setting) {
    return setting.word ? GetWord(image, setting.field) : GetField(image, setting.field);
}

void SetValue(SettingsImage& image, const SettingMeaning& setting, unsigned value) {
    if (setting.word) {
        SetWord(image, setting.field, value);
    } else {
        SetField(image, setting.field, value);
    }
}

std::string ValueText(const SettingMeaning& setting, unsigned value, int modelCode) {
    const std::string number = std::to_string(value);
    switch (setting.kind) {
        case K::Number:
            return WithUnit(number, setting.unit);
        case K::Check:
            return value != 0 ? "On" : "Off";
        case K::InverseCheck:
            return value == 0 ? "On" : "Off";
        case K::List:
            if (value < setting.items.size())
                return WithUnit(std::string(setting.items[value]), setting.unit);
            return number;
        case K::Voltage: {
            const VoltageGroup group = ModelTable::GroupOf(modelCode);
            const auto position = ModelTable::PositionOfCode(group, static_cast<int>(value));
            if (!position) return "code " + number;
            std::string_view item = ModelTable::Items(group)[static_cast<std::size_t>(*position)];
            if (item.starts_with('*')) item.remove_prefix(1);
            return WithUnit(std::string(item), setting.unit);
        }
        case K::Seconds: {
            std::string text = std::to_string(value / 60);
            text.append(" ").append(setting.unit);
            if (value % 60 != 0) text.append(" ").append(std::to_string(value % 60)).append(" s");
            return text;
        }
        case K::Percent:
            return number + std::string(setting.unit);
    }
    return number;
}

std::string SettingName(const SettingMeaning& setting) {
    std::string name(PageName(setting.page));
    for (const std::string_view part : {setting.group, setting.label}) {
        if (part.empty()) continue;
        if (!name.empty()) name += " / ";
        name += part;
    }
    return name;
}

}  // namespace upsconfig
