#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace upsconfig {

// One HID interface as the system lists it.
struct HidInterface {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string serial;  // the device's serial number (uniq) where the system knows it
};

// Why the last Open failed, sorted so that a person can be told what to do about it.
struct OpenFailure {
    enum class Kind {
        None,              // the last Open worked, or nothing is known
        Gone,              // the node is not there (any more)
        PermissionDenied,  // the node is there but this user may not open it
        Busy,              // the node is held by someone else
        Other,
    };
    Kind kind = Kind::None;
    int error = 0;     // errno where the system gave one; on Windows the system's error code
    std::string text;  // the library's own words

    // The kind an errno value stands for when opening a device node.
    static Kind KindOfErrno(int error);
};

// The platform seam under HidLink: the real ones talk to hidapi or to Windows' own HID calls,
// tests use SimulatedUps.
// A backend holds at most one open device; HidLink serialises every call.
class HidBackend {
  public:
    virtual ~HidBackend() = default;

    // The HID interfaces present now, in the system's order.
    virtual std::vector<HidInterface> Enumerate() = 0;
    // Opens the interface at path, closing any device opened before.
    virtual bool Open(const std::string& path) = 0;
    // Feature-report length of the open device, report-id byte included; nullopt when it
    // cannot be determined.
    virtual std::optional<std::size_t> FeatureReportLength() = 0;
    // After a FeatureReportLength that gave nullopt: true when no way this backend has gave the
    // report descriptor at all, false when the descriptor was there but declares no usable length.
    virtual bool DescriptorUnavailable() const { return false; }
    // buffer[0] holds the report id; the buffer is as long as the transfer may be. Returns the
    // number of bytes received, report id included (the unit may send fewer than asked for),
    // or -1 on failure. Bytes past the count are not the unit's.
    virtual int GetFeatureReport(std::span<std::uint8_t> buffer) = 0;
    virtual bool SetFeatureReport(std::span<const std::uint8_t> buffer) = 0;
    virtual void Close() = 0;
    // Why the last call failed, as the system put it (errno text, the library's message);
    // empty when nothing is known.
    virtual std::string LastError() const { return {}; }
    // Why the last Open failed; Kind::None after one that worked.
    virtual OpenFailure LastOpenFailure() const { return {}; }
};

inline OpenFailure::Kind OpenFailure::KindOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return Kind::Gone;
        case EACCES:
        case EPERM:
            return Kind::PermissionDenied;
        case EBUSY:
            return Kind::Busy;
        default:
            return Kind::Other;
    }
}

}  // namespace upsconfig
