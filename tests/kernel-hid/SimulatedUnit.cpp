#include "SimulatedUnit.h"

#include <array>

namespace upsconfig::kernelhid {
namespace {

constexpr std::uint8_t kModelCode = 3;
constexpr std::array<std::uint8_t, 3> kVersions{0x21, 0x42, 0x63};  // monitor firmware: test info
constexpr std::int32_t kStartupSeconds = -1234567;  // all four bytes and the sign count
constexpr bool kOnline = false;
constexpr std::uint8_t kSummaryReport = 0x44;

}  // namespace

SimulatedUnit::SimulatedUnit() {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(0x11 + 5 * i);
    image.bytes[6] = 0x40;  // no command pending, only the bit the unit keeps
    image.bytes[7] = 0x00;  // no changed reports pending
    image.bytes[8] = kModelCode;
    ups_.LoadImage(image);
    ups_.SetVersions(kVersions[0], kVersions[1], kVersions[2]);
    ups_.SetStartupSeconds(kStartupSeconds);
    ups_.SetOnline(kOnline);
    ups_.SetOutlet(1, true);
    ups_.SetOutlet(2, false);
    ups_.Open(SimulatedUps::kDefaultPath);
}

std::vector<std::uint8_t> SimulatedUnit::ReportDescriptor() {
    return SimulatedUps::DefaultReportDescriptor();
}

int SimulatedUnit::Answer(std::span<std::uint8_t> frame) { return ups_.GetFeatureReport(frame); }

bool SimulatedUnit::Take(std::span<const std::uint8_t> frame) {
    return ups_.SetFeatureReport(frame);
}

UnitState SimulatedUnit::TakeState() {
    UnitState state;
    state.image = ups_.HeldImage();
    state.versions = kVersions;
    state.startupSeconds = kStartupSeconds;
    state.online = kOnline;
    state.outlet1On = ups_.OutletOn(1);
    state.outlet2On = ups_.OutletOn(2);
    state.batteryTest = ups_.LastBatteryTestCommand();
    state.displayUpdate = ups_.DisplayUpdateMode();
    if (const auto summary = ups_.LastWrite(kSummaryReport)) state.lastSummaryWrite = *summary;
    state.reads = ups_.ReadIds();
    state.writes = ups_.WrittenIds();
    ups_.ClearLog();
    return state;
}

}  // namespace upsconfig::kernelhid
