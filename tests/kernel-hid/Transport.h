#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace upsconfig::kernelhid {

// The units a transport carries: the one the tests talk to, and a second one with another serial
// that is plugged only while a test chooses between the two.
inline constexpr int kFirstUnit = 0;
inline constexpr int kSecondUnit = 1;
inline constexpr int kUnits = 2;

// The serial each unit carries (uhid's uniq, the USB serial string).
inline const char* UnitSerial(int unit) {
    return unit == kFirstUnit ? "kernel-hid-test" : "kernel-hid-test-2";
}

// How the unit answers one feature read.
struct GetAnswer {
    enum class Kind {
        Reply,   // bytes go back to the host
        Refuse,  // an error: uhid's EIO, a stall on USB
        Silent,  // no answer at all; the host gives up after its own timeout
        Gone,    // the unit was pulled out while the request waited
    };
    Kind kind = Kind::Refuse;
    std::vector<std::uint8_t> bytes;
    // Silent on USB: how long to take no request at all, so that the host's timeout passes
    // before the request is stalled; 0 = until the next control command.
    int silenceMs = 0;
};

// What a transport asks of the units behind it.
class Requests {
  public:
    virtual ~Requests() = default;
    virtual GetAnswer Get(int unit, std::uint8_t id) = 0;
    // Whether a write will be refused, asked before its data are taken (on USB a refusal is a
    // stall, which cannot come after the data stage).
    virtual bool RefusesWrites() const = 0;
    // frame[0] is the report id. False when the unit does not take it.
    virtual bool Set(int unit, std::span<const std::uint8_t> frame) = 0;
};

// One way of making the units kernel devices: /dev/uhid, or USB gadgets on dummy_hcd.
class Transport {
  public:
    virtual ~Transport() = default;
    // Makes the unit present (its hidraw node is there on return) or absent.
    virtual bool Plug(int unit) = 0;
    virtual bool Unplug(int unit) = 0;
    // Back after an Unplug, as a replugged unit: under another node (uhid), with a new USB
    // device number (USB).
    virtual bool Replug(int unit) = 0;
    // The descriptors the event loop waits on, and the one that became readable.
    virtual std::vector<int> Fds() const = 0;
    virtual void Handle(int fd) = 0;
    // Called before each control command: a transport that held back after a silent request
    // takes requests again.
    virtual void Resume() {}
};

}  // namespace upsconfig::kernelhid
