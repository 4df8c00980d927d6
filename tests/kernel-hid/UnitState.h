#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "unit/SettingsImage.h"

namespace upsconfig::kernelhid {

// Where the responder in the guest listens for the test's commands.
inline constexpr const char* kControlSocket = "/run/ups-responder.sock";

// What the unit behind the kernel device holds, as the responder tells it to the test over
// the control channel: the test's reference, never the backend's own reading.
struct UnitState {
    SettingsImage image;  // settings reports and model code
    std::array<std::uint8_t, 3> versions{};
    std::int32_t startupSeconds = 0;
    bool online = false;
    bool outlet1On = false;
    bool outlet2On = false;
    int batteryTest = 0;  // data byte of the last battery-test report, 0 = none yet
    bool displayUpdate = false;
    // Since the previous state: data bytes of the last summary report written, and the ids
    // of the reports read and written.
    std::optional<std::array<std::uint8_t, 4>> lastSummaryWrite;
    std::vector<std::uint8_t> reads;
    std::vector<std::uint8_t> writes;
};

// One line of "key=value" words; hex for bytes.
std::string FormatState(const UnitState& state);
std::optional<UnitState> ParseState(std::string_view text);

}  // namespace upsconfig::kernelhid
