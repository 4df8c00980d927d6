#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/HidBackend.h"
#include "device/HidLink.h"
#include "device/HostView.h"

namespace upsconfig {

// Why a unit is or is not reachable, in the order a person would check it.
enum class Verdict {
    Reachable,
    NoInterface,
    PermissionDenied,
    Busy,
    NoDescriptor,
    LengthRefused,
    HeldByDriver
};

// "reachable", "no_interface", ...: the words scripts read.
std::string_view VerdictName(Verdict verdict);
// A USB id as udev and lsusb write it: four lower-case hex digits.
std::string IdText(std::uint16_t id);
// Both ids as "vvvv:pppp".
std::string IdsText(std::uint16_t vendorId, std::uint16_t productId);

// One finding: what was seen where, in plain words, and what to do about it.
struct Reason {
    Verdict verdict = Verdict::NoInterface;
    std::string path;               // the interface or USB device it is about; empty for none
    std::string detail;             // what was seen
    std::string fix;                // what to do; empty when nothing needs doing
    std::size_t featureLength = 0;  // of an interface that opened; 0 when unknown
};

struct Diagnosis {
    Verdict verdict = Verdict::NoInterface;
    std::vector<Reason> reasons;
};

// The diagnosis in words for a person, as probe gives it: the verdict, then each finding with
// its fix.
std::string DiagnosisText(const Diagnosis& diagnosis);

// Opens the interface briefly: reachable when it opens and its feature length fits the unit's
// reports. Leaves the backend closed, whatever it had open before.
Reason CheckInterface(HidBackend& backend, const HidInterface& interface, const HostView& host);

// Looks for the units with these ids (the one --device names, when given): reachable when one
// of them is; otherwise the first one's reason, or, with none present, what sysfs shows of USB
// devices with the vendor id.
Diagnosis Diagnose(HidBackend& backend, const HostView& host, const std::string& device,
                   std::uint16_t vendorId = kUpsVendorId, std::uint16_t productId = kUpsProductId);

}  // namespace upsconfig
