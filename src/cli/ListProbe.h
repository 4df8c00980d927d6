#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "cli/Json.h"
#include "device/HidBackend.h"
#include "device/HidLink.h"
#include "device/HostView.h"
#include "device/Pauser.h"

namespace upsconfig {

struct ProbeOptions {
    std::uint16_t vendorId = kUpsVendorId;
    std::uint16_t productId = kUpsProductId;
    std::string device;  // --device: a path or a serial; empty for any
    bool json = false;
    HostView host;  // sysfs, the udev rules and the seats; tests point it into a scratch tree
    Pauser pauser;  // the read retries' pauses
};

// How list or probe ended: the exit code and, when it is not 0, the one-line reason.
struct ProbeOutcome {
    int exitCode = 0;
    std::string message;
};

// `list`: every HID interface with the units' vendor id, each unit opened briefly for its model
// code. Fills result (the command's JSON object) and, without --json, writes the text to out.
// Exit 0, or 3 when no unit is there.
ProbeOutcome RunList(HidBackend& backend, const ProbeOptions& options, Json& result,
                     std::ostream& out);
// `probe`: why a unit is or is not reachable, with the fix. Exit 0 reachable, 3 no unit or one
// held by another driver, 4 found but not opened.
ProbeOutcome RunProbe(HidBackend& backend, const ProbeOptions& options, Json& result,
                      std::ostream& out);

}  // namespace upsconfig
