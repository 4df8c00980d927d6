#include "device/Protocol.h"

namespace upsconfig::protocol {

bool IsSettingsReport(std::uint8_t id) { return ImageOffset(id).has_value(); }

std::optional<std::size_t> ImageOffset(std::uint8_t id) {
    for (const SettingsReport& report : kSettingsReports) {
        if (report.id == id) return Field(report.first).byte;
    }
    return std::nullopt;
}

std::size_t ModelCodeByte() { return Field(FieldId::bModelCode).byte; }

std::size_t CommandByte() { return Field(FieldId::bCommandFlags).byte - *ImageOffset(kSummary); }

std::size_t ChangedReportsByte() {
    return Field(FieldId::bChangedReports).byte - *ImageOffset(kSummary);
}

std::int32_t UnpackStartupTime(const ReportData& data) {
    const std::uint32_t raw =
        static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
        (static_cast<std::uint32_t>(data[2]) << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
    return static_cast<std::int32_t>(raw);
}

ReportData PackStartupTime(std::int32_t seconds) {
    const auto raw = static_cast<std::uint32_t>(seconds);
    return {static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8),
            static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 24)};
}

}  // namespace upsconfig::protocol
