#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace upsconfig {

// The packed 42-byte record of all settings, byte for byte as the reports carry it:
// bytes 0-3 report 0x32, 4-7 report 0x44, 8 the model code, 9 spare, 10-41 reports 0x3C-0x43.
struct SettingsImage {
    static constexpr std::size_t kSize = 42;
    std::array<std::uint8_t, kSize> bytes{};

    bool operator==(const SettingsImage&) const = default;
};

// Image bytes 0 to 3 travel in report 0x32, the one settings report every model's unit takes.
inline constexpr std::size_t kBytesOfReport0x32 = 4;

// Which page edits a field; the core answers "what can an Apply change" from this alone.
// TestInfoPage edits no field: it shows the versions and sends commands.
enum class EditedOn {
    NoPage,
    UpsPage,
    DryContactPage,
    BatteryPage,
    ParallelPage,
    Outlet1Page,
    Outlet2Page,
    EcoPage,
    ReportWriter,  // bCommandFlags, bChangedReports: only the report writer and commands
    TestInfoPage,
};

// Every named field of the image, in image order. The enumerators are the settings-file keys.
enum class FieldId : std::uint8_t {
    bOutputLevel,
    bFreqLevel,
    bAlarmCtrl,
    bShutDownAction,
    bShutDownLogic,
    bAutoBattTestEn,
    bAutoStartEn,
    bLowBattTime,
    bAutoBattTestTime,
    bBattType,
    bSystemSelect,
    bReverseDect,
    bEodMode,
    bParalConfig,
    bParalAddr,
    bInvFirstMode,
    bPROVOB_1,
    bPROVRL_1,
    bPROVCL_1,
    bOOOOB_1,
    bPROVOB_2,
    bPROVRL_2,
    bPROVCL_2,
    bOOOOB_2,
    bECOMode,
    bOUPLOF_1,
    bOBRLOF_1,
    bOBCLOF_1,
    bOUPLOF_2,
    bOBRLOF_2,
    bOBCLOF_2,
    bCommandFlags,
    bChangedReports,
    bModelCode,
    bSpare,
    OutletOnDT_H_A,
    OutletOnDT_L_A,
    OutletOnAftACRecDT_H_A,
    OutletOnAftACRecDT_L_A,
    OutletOnAftRTlessDT_H_A,
    OutletOnAftRTlessDT_L_A,
    OutletOnAftCPlessDT_H_A,
    OutletOnAftCPlessDT_L_A,
    OutletOffAftACOffDT_H_A,
    OutletOffAftACOffDT_L_A,
    OutletRebootDT_H_A,
    OutletRebootDT_L_A,
    BatWeakPer_B,
    BatWeakPer_A,
    BatWeakRunTime_H_A,
    BatWeakRunTime_L_A,
    OutletOnDT_H_B,
    OutletOnDT_L_B,
    OutletOnAftACRecDT_H_B,
    OutletOnAftACRecDT_L_B,
    OutletOnAftRTlessDT_H_B,
    OutletOnAftRTlessDT_L_B,
    OutletOnAftCPlessDT_H_B,
    OutletOnAftCPlessDT_L_B,
    OutletOffAftACOffDT_H_B,
    OutletOffAftACOffDT_L_B,
    OutletRebootDT_H_B,
    OutletRebootDT_L_B,
    bECO_Vol_Tol,
    bECO_Freq_Tol,
    bECO_Requlify_Interval,
    BatWeakRunTime_H_B,
    BatWeakRunTime_L_B,
    Count
};

struct FieldInfo {
    FieldId id;
    std::string_view name;  // also the settings-file key
    std::uint8_t byte;
    std::uint8_t shift;  // bit position of the lowest bit
    std::uint8_t width;  // in bits
    EditedOn editedOn;
    bool inSettingsFile;
};

// The one field table; index it with FieldId.
std::span<const FieldInfo> Fields();
const FieldInfo& Field(FieldId id);
std::optional<FieldId> FindField(std::string_view name);

// (byte >> shift) & mask
unsigned GetField(const SettingsImage& image, FieldId id);
// Replaces exactly the field's bits; the value is cut to the field's width.
void SetField(SettingsImage& image, FieldId id, unsigned value);

// 16-bit times are two byte fields, the high byte first (the _H_ field, then its _L_ field).
unsigned GetWord(const SettingsImage& image, FieldId high);
void SetWord(SettingsImage& image, FieldId high, unsigned value);

}  // namespace upsconfig
