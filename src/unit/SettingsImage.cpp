#include "unit/SettingsImage.h"

#include <cassert>

namespace upsconfig {
namespace {

using enum FieldId;
using E = EditedOn;

constexpr FieldInfo Bits(FieldId id, std::string_view name, int byte, int shift, int width, E page,
                         bool inFile = true) {
    return FieldInfo{id,
                     name,
                     static_cast<std::uint8_t>(byte),
                     static_cast<std::uint8_t>(shift),
                     static_cast<std::uint8_t>(width),
                     page,
                     inFile};
}
constexpr FieldInfo Byte(FieldId id, std::string_view name, int byte, E page, bool inFile = true) {
    return Bits(id, name, byte, 0, 8, page, inFile);
}

#define F(id) id, #id
constexpr std::array<FieldInfo, static_cast<std::size_t>(Count)> kFields{{
    Bits(F(bOutputLevel), 0, 0, 4, E::UpsPage),
    Bits(F(bFreqLevel), 0, 4, 2, E::UpsPage),
    Bits(F(bAlarmCtrl), 0, 6, 1, E::UpsPage),
    Bits(F(bShutDownAction), 0, 7, 1, E::DryContactPage),
    Bits(F(bShutDownLogic), 1, 0, 1, E::DryContactPage),
    Bits(F(bAutoBattTestEn), 1, 1, 1, E::BatteryPage),
    Bits(F(bAutoStartEn), 1, 2, 1, E::UpsPage),
    Bits(F(bLowBattTime), 1, 3, 5, E::BatteryPage),
    Bits(F(bAutoBattTestTime), 2, 0, 3, E::BatteryPage),
    Bits(F(bBattType), 2, 3, 4, E::BatteryPage),
    Bits(F(bSystemSelect), 2, 7, 1, E::NoPage),
    Bits(F(bReverseDect), 3, 0, 1, E::UpsPage),
    Bits(F(bEodMode), 3, 1, 1, E::UpsPage),
    Bits(F(bParalConfig), 3, 2, 3, E::ParallelPage),
    Bits(F(bParalAddr), 3, 5, 2, E::ParallelPage),
    Bits(F(bInvFirstMode), 3, 7, 1, E::UpsPage),
    Bits(F(bPROVOB_1), 4, 0, 1, E::Outlet1Page),
    Bits(F(bPROVRL_1), 4, 1, 1, E::Outlet1Page),
    Bits(F(bPROVCL_1), 4, 2, 1, E::Outlet1Page),
    Bits(F(bOOOOB_1), 4, 3, 1, E::Outlet1Page),
    Bits(F(bPROVOB_2), 4, 4, 1, E::Outlet2Page),
    Bits(F(bPROVRL_2), 4, 5, 1, E::Outlet2Page),
    Bits(F(bPROVCL_2), 4, 6, 1, E::Outlet2Page),
    Bits(F(bOOOOB_2), 4, 7, 1, E::Outlet2Page),
    Bits(F(bECOMode), 5, 0, 2, E::EcoPage),
    Bits(F(bOUPLOF_1), 5, 2, 1, E::Outlet1Page),
    Bits(F(bOBRLOF_1), 5, 3, 1, E::Outlet1Page),
    Bits(F(bOBCLOF_1), 5, 4, 1, E::Outlet1Page),
    Bits(F(bOUPLOF_2), 5, 5, 1, E::Outlet2Page),
    Bits(F(bOBRLOF_2), 5, 6, 1, E::Outlet2Page),
    Bits(F(bOBCLOF_2), 5, 7, 1, E::Outlet2Page),
    Byte(F(bCommandFlags), 6, E::ReportWriter, false),
    Byte(F(bChangedReports), 7, E::ReportWriter, false),
    Byte(F(bModelCode), 8, E::NoPage, false),
    Byte(F(bSpare), 9, E::NoPage, false),
    Byte(F(OutletOnDT_H_A), 10, E::Outlet1Page),
    Byte(F(OutletOnDT_L_A), 11, E::Outlet1Page),
    Byte(F(OutletOnAftACRecDT_H_A), 12, E::Outlet1Page),
    Byte(F(OutletOnAftACRecDT_L_A), 13, E::Outlet1Page),
    Byte(F(OutletOnAftRTlessDT_H_A), 14, E::Outlet1Page),
    Byte(F(OutletOnAftRTlessDT_L_A), 15, E::Outlet1Page),
    Byte(F(OutletOnAftCPlessDT_H_A), 16, E::Outlet1Page),
    Byte(F(OutletOnAftCPlessDT_L_A), 17, E::Outlet1Page),
    Byte(F(OutletOffAftACOffDT_H_A), 18, E::Outlet1Page),
    Byte(F(OutletOffAftACOffDT_L_A), 19, E::Outlet1Page),
    Byte(F(OutletRebootDT_H_A), 20, E::NoPage),
    Byte(F(OutletRebootDT_L_A), 21, E::NoPage),
    Byte(F(BatWeakPer_B), 22, E::Outlet2Page),
    Byte(F(BatWeakPer_A), 23, E::Outlet1Page),
    Byte(F(BatWeakRunTime_H_A), 24, E::Outlet1Page),
    Byte(F(BatWeakRunTime_L_A), 25, E::Outlet1Page),
    Byte(F(OutletOnDT_H_B), 26, E::Outlet2Page),
    Byte(F(OutletOnDT_L_B), 27, E::Outlet2Page),
    Byte(F(OutletOnAftACRecDT_H_B), 28, E::Outlet2Page),
    Byte(F(OutletOnAftACRecDT_L_B), 29, E::Outlet2Page),
    Byte(F(OutletOnAftRTlessDT_H_B), 30, E::Outlet2Page),
    Byte(F(OutletOnAftRTlessDT_L_B), 31, E::Outlet2Page),
    Byte(F(OutletOnAftCPlessDT_H_B), 32, E::Outlet2Page),
    Byte(F(OutletOnAftCPlessDT_L_B), 33, E::Outlet2Page),
    Byte(F(OutletOffAftACOffDT_H_B), 34, E::Outlet2Page),
    Byte(F(OutletOffAftACOffDT_L_B), 35, E::Outlet2Page),
    Byte(F(OutletRebootDT_H_B), 36, E::NoPage),
    Byte(F(OutletRebootDT_L_B), 37, E::NoPage),
    Bits(F(bECO_Vol_Tol), 38, 0, 4, E::EcoPage),
    Bits(F(bECO_Freq_Tol), 38, 4, 4, E::EcoPage),
    Bits(F(bECO_Requlify_Interval), 39, 0, 4, E::EcoPage),
    Byte(F(BatWeakRunTime_H_B), 40, E::Outlet2Page),
    Byte(F(BatWeakRunTime_L_B), 41, E::Outlet2Page),
}};
#undef F

constexpr bool TableIsIndexedById() {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (static_cast<std::size_t>(kFields[i].id) != i) return false;
    }
    return true;
}
static_assert(TableIsIndexedById(), "field table rows must follow FieldId order");

}  // namespace

std::span<const FieldInfo> Fields() { return kFields; }

const FieldInfo& Field(FieldId id) { return kFields[static_cast<std::size_t>(id)]; }

std::optional<FieldId> FindField(std::string_view name) {
    for (const FieldInfo& f : kFields) {
        if (f.name == name) return f.id;
    }
    return std::nullopt;
}

unsigned GetField(const SettingsImage& image, FieldId id) {
    const FieldInfo& f = Field(id);
    const unsigned mask = (1u << f.width) - 1u;
    return (static_cast<unsigned>(image.bytes[f.byte]) >> f.shift) & mask;
}

void SetField(SettingsImage& image, FieldId id, unsigned value) {
    const FieldInfo& f = Field(id);
    const unsigned mask = ((1u << f.width) - 1u) << f.shift;
    const unsigned old = image.bytes[f.byte];
    image.bytes[f.byte] = static_cast<std::uint8_t>((old & ~mask) | ((value << f.shift) & mask));
}

unsigned GetWord(const SettingsImage& image, FieldId high) {
    const auto low = static_cast<FieldId>(static_cast<int>(high) + 1);
    assert(Field(high).width == 8 && Field(low).byte == Field(high).byte + 1);
    return GetField(image, high) * 256u + GetField(image, low);
}

void SetWord(SettingsImage& image, FieldId high, unsigned value) {
    const auto low = static_cast<FieldId>(static_cast<int>(high) + 1);
    assert(Field(high).width == 8 && Field(low).byte == Field(high).byte + 1);
    SetField(image, high, (value >> 8) & 0xFFu);
    SetField(image, low, value & 0xFFu);
}

}  // namespace upsconfig
