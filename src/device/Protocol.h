#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "unit/SettingsImage.h"

// The unit's reports on the wire, once for the report layer and the simulated unit alike. Where
// a report's data lands in the settings image comes from the field table.
namespace upsconfig::protocol {

// Every report carries this many data bytes after its id.
inline constexpr std::size_t kDataBytes = 4;
using ReportData = std::array<std::uint8_t, kDataBytes>;

// Report ids.
inline constexpr std::uint8_t kIdentification = 0x01;  // model code, three versions
inline constexpr std::uint8_t kBatteryTest = 0x08;     // written only: one command byte
inline constexpr std::uint8_t kStartupTime = 0x09;     // seconds since start-up
inline constexpr std::uint8_t kSettings = 0x32;
inline constexpr std::uint8_t kStatus = 0x33;
inline constexpr std::uint8_t kFirstOutletReport = 0x3C;  // 0x3C..0x43
inline constexpr std::uint8_t kLastOutletReport = 0x43;
inline constexpr std::uint8_t kSummary = 0x44;  // settings, command byte, changed reports

// A settings report and the field its data byte 0 holds.
struct SettingsReport {
    std::uint8_t id;
    FieldId first;
};

// The settings reports in the order a settings pass reads them.
inline constexpr std::array<SettingsReport, 10> kSettingsReports{{
    {kSettings, FieldId::bOutputLevel},
    {0x3C, FieldId::OutletOnDT_H_A},
    {0x3D, FieldId::OutletOnAftRTlessDT_H_A},
    {0x3E, FieldId::OutletOffAftACOffDT_H_A},
    {0x3F, FieldId::BatWeakPer_B},
    {0x40, FieldId::OutletOnDT_H_B},
    {0x41, FieldId::OutletOnAftRTlessDT_H_B},
    {0x42, FieldId::OutletOffAftACOffDT_H_B},
    {kLastOutletReport, FieldId::bECO_Vol_Tol},
    {kSummary, FieldId::bPROVOB_1},
}};

// Every report the unit has, in id order (its report descriptor lists them so).
inline constexpr std::array<std::uint8_t, 14> kAllReports{kIdentification,
                                                          kBatteryTest,
                                                          kStartupTime,
                                                          kSettings,
                                                          kStatus,
                                                          0x3C,
                                                          0x3D,
                                                          0x3E,
                                                          0x3F,
                                                          0x40,
                                                          0x41,
                                                          0x42,
                                                          0x43,
                                                          kSummary};

bool IsSettingsReport(std::uint8_t id);
// Image byte of a settings report's data byte 0; nullopt for other reports.
std::optional<std::size_t> ImageOffset(std::uint8_t id);
// Image byte of the model code, which the identification report's data byte 0 carries.
std::size_t ModelCodeByte();
// Data bytes of the summary report that carry the command bits and the changed-reports bits.
std::size_t CommandByte();
std::size_t ChangedReportsByte();

// Bits of the summary report's command byte.
namespace command {
inline constexpr std::uint8_t kWritten = 0x01;          // the summary closes a write pass
inline constexpr std::uint8_t kSettingsWritten = 0x02;  // report 0x32 was among them
inline constexpr std::uint8_t kOutlet1On = 0x04;
inline constexpr std::uint8_t kOutlet1Off = 0x08;  // with kOutlet1On: reboot
inline constexpr std::uint8_t kOutlet2On = 0x10;
inline constexpr std::uint8_t kOutlet2Off = 0x20;
inline constexpr std::uint8_t kUnused = 0x40;         // no meaning to the tool; the unit keeps it
inline constexpr std::uint8_t kDisplayUpdate = 0x80;  // the display's update (bootloader) mode
}  // namespace command

// Bits of the status report's data byte 0.
namespace status {
inline constexpr std::uint8_t kOutlet1On = 0x01;
inline constexpr std::uint8_t kOutlet2On = 0x02;
inline constexpr std::uint8_t kUpsOn = 0x04;
}  // namespace status

// Data byte 0 of the battery-test report.
inline constexpr std::uint8_t kBatteryTestStart = 1;
inline constexpr std::uint8_t kBatteryTestTerminate = 3;

// The start-up time: a signed 32-bit count of seconds, lowest byte first.
std::int32_t UnpackStartupTime(const ReportData& data);
ReportData PackStartupTime(std::int32_t seconds);

}  // namespace upsconfig::protocol
