#include "ResponderUnit.h"

#include <array>

namespace upsconfig::kernelhid {
namespace {

constexpr std::uint8_t kModelCode = 3;
constexpr std::array<std::uint8_t, 3> kVersions{0x21, 0x42, 0x63};  // monitor firmware: test info
constexpr std::int32_t kStartupSeconds = -1234567;  // all four bytes and the sign count
constexpr bool kOnline = false;
constexpr std::uint8_t kSummaryReport = 0x44;

}  // namespace

ResponderUnit::ResponderUnit() {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(0x11 + 5 * i);
    image.bytes[6] = 0x40;  // no command pending, only the bit the unit keeps
    image.bytes[7] = 0x00;  // no changed reports pending
    image.bytes[8] = kModelCode;
    ups_.Unit().LoadImage(image);
    ups_.Unit().SetVersions(kVersions[0], kVersions[1], kVersions[2]);
    ups_.Unit().SetStartupSeconds(kStartupSeconds);
    ups_.Unit().SetOnline(kOnline);
    ups_.Unit().SetOutlet(1, true);
    ups_.Unit().SetOutlet(2, false);
    ups_.Open(SimulatedUps::kDefaultPath);
}

std::vector<std::uint8_t> ResponderUnit::ReportDescriptor() {
    return SimulatedUnit::ReportDescriptor();
}

int ResponderUnit::Answer(std::span<std::uint8_t> frame) { return ups_.GetFeatureReport(frame); }

bool ResponderUnit::Take(std::span<const std::uint8_t> frame) {
    return ups_.SetFeatureReport(frame);
}

UnitState ResponderUnit::TakeState() {
    UnitState state;
    state.image = ups_.Unit().HeldImage();
    state.versions = ups_.Unit().Versions();
    state.startupSeconds = ups_.Unit().StartupSeconds();
    state.online = ups_.Unit().Online();
    state.outlet1On = ups_.Unit().OutletOn(1);
    state.outlet2On = ups_.Unit().OutletOn(2);
    state.batteryTest = ups_.Unit().LastBatteryTestCommand();
    state.displayUpdate = ups_.Unit().DisplayUpdateMode();
    if (const auto summary = ups_.LastWrite(kSummaryReport)) state.lastSummaryWrite = *summary;
    state.reads = ups_.ReadIds();
    state.writes = ups_.WrittenIds();
    ups_.ClearLog();
    return state;
}

}  // namespace upsconfig::kernelhid
