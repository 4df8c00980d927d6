#include "device/HidapiBackend.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>

#include "device/ReportDescriptor.h"

// Before 0.14 hidapi has no call for the report descriptor; its libusb variant holds the
// interface while open, so neither sysfs nor any other program can give it then.
#if defined(HID_API_VERSION) && HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
#define UPSCONFIG_DESCRIPTOR_FROM_HIDAPI 1
#elif defined(UPSCONFIG_HIDAPI_LIBUSB)
#define UPSCONFIG_DESCRIPTOR_FROM_DEVICE 1
#include <libusb.h>
#endif

namespace upsconfig {
namespace {

// Larger than any report descriptor a HID device may return.
constexpr std::size_t kMaxDescriptorSize = 4096;

#if defined(UPSCONFIG_DESCRIPTOR_FROM_DEVICE)
constexpr unsigned kControlTimeoutMs = 1000;

// The name hidapi's libusb variant gives an interface: "BUS-PORT[.PORT...]:CONFIG.INTERFACE".
std::string LibusbPath(libusb_device* device, int config, int interface) {
    std::uint8_t ports[8];
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    if (depth <= 0) return {};
    std::string path = std::to_string(libusb_get_bus_number(device)) + "-";
    for (int i = 0; i < depth; ++i) {
        if (i > 0) path += '.';
        path += std::to_string(ports[i]);
    }
    return path + ":" + std::to_string(config) + "." + std::to_string(interface);
}

// The HID interface number behind a path of the libusb variant, or -1 when the device is not
// this one.
int InterfaceAt(libusb_device* device, const std::string& path) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0) return -1;
    int found = -1;
    for (int i = 0; i < config->bNumInterfaces && found < 0; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1) continue;
        const libusb_interface_descriptor& setting = interface.altsetting[0];
        if (setting.bInterfaceClass == LIBUSB_CLASS_HID &&
            LibusbPath(device, config->bConfigurationValue, setting.bInterfaceNumber) == path)
            found = setting.bInterfaceNumber;
    }
    libusb_free_config_descriptor(config);
    return found;
}

std::string LibusbWords(int error) {
    return std::string(libusb_strerror(static_cast<libusb_error>(error))) + " (" +
           libusb_error_name(error) + ")";
}

OpenFailure LibusbFailure(int error, const std::string& what) {
    OpenFailure::Kind kind = OpenFailure::Kind::Other;
    if (error == LIBUSB_ERROR_ACCESS) kind = OpenFailure::Kind::PermissionDenied;
    if (error == LIBUSB_ERROR_BUSY) kind = OpenFailure::Kind::Busy;
    if (error == LIBUSB_ERROR_NO_DEVICE || error == LIBUSB_ERROR_NOT_FOUND)
        kind = OpenFailure::Kind::Gone;
    return {kind, 0, what + ": " + LibusbWords(error)};
}

// The standard request for the HID class's report descriptor, on the interface the path
// names, asked before hidapi claims it. The kernel's driver, where one is bound, is detached for
// the request and bound again after it. Where it fails, failure says why, sorted as an Open's.
std::optional<std::vector<std::uint8_t>> DescriptorFromDevice(const std::string& path,
                                                              OpenFailure& failure) {
    libusb_context* context = nullptr;
    if (const int error = libusb_init(&context); error != 0) {
        failure = LibusbFailure(error, "libusb could not start");
        return std::nullopt;
    }
    libusb_device** devices = nullptr;
    const ssize_t count = libusb_get_device_list(context, &devices);
    std::optional<std::vector<std::uint8_t>> descriptor;
    failure = {OpenFailure::Kind::Gone, 0, "no USB interface " + path + " is present"};
    for (ssize_t d = 0; d < count; ++d) {
        const int interface = InterfaceAt(devices[d], path);
        if (interface < 0) continue;
        libusb_device_handle* handle = nullptr;
        if (const int error = libusb_open(devices[d], &handle); error != 0) {
            failure = LibusbFailure(error, "the USB device could not be opened");
            break;
        }
        libusb_set_auto_detach_kernel_driver(handle, 1);  // not supported everywhere; harmless
        if (const int error = libusb_claim_interface(handle, interface); error != 0) {
            failure = LibusbFailure(error, "the interface could not be claimed");
        } else {
            std::vector<std::uint8_t> bytes(kMaxDescriptorSize);
            const auto type = static_cast<std::uint8_t>(LIBUSB_ENDPOINT_IN) |
                              static_cast<std::uint8_t>(LIBUSB_REQUEST_TYPE_STANDARD) |
                              static_cast<std::uint8_t>(LIBUSB_RECIPIENT_INTERFACE);
            const int n = libusb_control_transfer(
                handle, type, LIBUSB_REQUEST_GET_DESCRIPTOR, LIBUSB_DT_REPORT << 8,
                static_cast<std::uint16_t>(interface), bytes.data(),
                static_cast<std::uint16_t>(bytes.size()), kControlTimeoutMs);
            if (n > 0) {
                bytes.resize(static_cast<std::size_t>(n));
                descriptor = std::move(bytes);
                failure = {};
            } else {
                failure = {OpenFailure::Kind::Other, 0,
                           "the device did not give its report descriptor: " +
                               (n == 0 ? std::string("an empty answer") : LibusbWords(n))};
            }
            libusb_release_interface(handle, interface);
        }
        libusb_close(handle);
        break;
    }
    if (count > 0) libusb_free_device_list(devices, 1);
    libusb_exit(context);
    return descriptor;
}
#endif

#if defined(__linux__) && !defined(UPSCONFIG_DESCRIPTOR_FROM_DEVICE)
// hidraw paths look like /dev/hidrawN; the kernel publishes the descriptor next to the node.
std::optional<std::vector<std::uint8_t>> DescriptorFromSysfs(const std::string& path) {
    const std::string_view prefix = "/dev/";
    if (!path.starts_with(prefix)) return std::nullopt;
    const std::string node = path.substr(prefix.size());
    if (!node.starts_with("hidraw") || node.find('/') != std::string::npos) return std::nullopt;
    std::ifstream file("/sys/class/hidraw/" + node + "/device/report_descriptor", std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char c = 0;
    while (bytes.size() < kMaxDescriptorSize && file.get(c)) {
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}
#endif

// The library reports in wide characters; the reason travels as UTF-8.
std::string ToUtf8(const wchar_t* text) {
    std::string out;
    for (; text != nullptr && *text != 0; ++text) {
        const auto c = static_cast<std::uint32_t>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

HidapiBackend::HidapiBackend() {
    initialised_ = hid_init() == 0;
    if (!initialised_) NoteFailure(nullptr);
}

int HidapiBackend::NoteFailure(hid_device_* device) {
    const int error = errno;
#if defined(UPSCONFIG_DESCRIPTOR_FROM_DEVICE)
    // This variant's hid_error only says that it has no reasons to give.
    (void)device;
    lastError_ = error != 0 ? std::strerror(error) : "the libusb variant of hidapi gives no reason";
#else
    lastError_ = ToUtf8(hid_error(device));
    if (lastError_.empty() && error != 0) lastError_ = std::strerror(error);
#endif
    return error;
}

HidapiBackend::~HidapiBackend() {
    Close();
    if (initialised_) hid_exit();
}

std::vector<HidInterface> HidapiBackend::Enumerate() {
    std::vector<HidInterface> list;
    if (!initialised_) return list;
    hid_device_info* all = hid_enumerate(0, 0);
    // One path can be listed once per top-level collection; keep its first position.
    std::set<std::string> seen;
    for (const hid_device_info* info = all; info != nullptr; info = info->next) {
        if (info->path == nullptr || !seen.insert(info->path).second) continue;
        list.push_back(
            {info->path, info->vendor_id, info->product_id, ToUtf8(info->serial_number)});
    }
    hid_free_enumeration(all);
    return list;
}

bool HidapiBackend::Open(const std::string& path) {
    Close();
    openFailure_ = {};
    if (!initialised_) {
        openFailure_ = {OpenFailure::Kind::Other, 0, lastError_};
        return false;
    }
#if defined(UPSCONFIG_DESCRIPTOR_FROM_DEVICE)
    // Now or never: once hidapi holds the interface, the request would find it claimed.
    descriptor_ = DescriptorFromDevice(path, descriptorFailure_);
#endif
    errno = 0;
    device_ = hid_open_path(path.c_str());
    if (device_ == nullptr) {
        const int error = NoteFailure(nullptr);
        openFailure_ = {OpenFailure::KindOfErrno(error), error, lastError_};
#if defined(UPSCONFIG_DESCRIPTOR_FROM_DEVICE)
        // libusb's own words say more than this variant's hidapi, which gives none.
        if (descriptorFailure_.kind != OpenFailure::Kind::Other &&
            descriptorFailure_.kind != OpenFailure::Kind::None)
            openFailure_ = descriptorFailure_;
#endif
        return false;
    }
    path_ = path;
    return true;
}

std::optional<std::vector<std::uint8_t>> HidapiBackend::ReadReportDescriptor(
    std::string& why) const {
#if defined(UPSCONFIG_DESCRIPTOR_FROM_HIDAPI)
    std::vector<std::uint8_t> bytes(kMaxDescriptorSize);
    const int n = hid_get_report_descriptor(device_, bytes.data(), bytes.size());
    if (n > 0) {
        bytes.resize(static_cast<std::size_t>(n));
        return bytes;
    }
    why = ToUtf8(hid_error(device_));
#endif
#if defined(UPSCONFIG_DESCRIPTOR_FROM_DEVICE)
    why = descriptorFailure_.text;
    return descriptor_;
#elif defined(__linux__)
    errno = 0;
    auto bytes = DescriptorFromSysfs(path_);
    if (!bytes && errno != 0) why = std::strerror(errno);
    return bytes;
#else
    return std::nullopt;
#endif
}

std::optional<std::size_t> HidapiBackend::FeatureReportLength() {
    descriptorUnavailable_ = false;
    if (device_ == nullptr) return std::nullopt;
    std::string why;
    const auto descriptor = ReadReportDescriptor(why);
    if (!descriptor) {
        descriptorUnavailable_ = true;
        lastError_ = "the report descriptor could not be read";
        if (!why.empty()) lastError_ += ": " + why;
        return std::nullopt;
    }
    const auto length = FeatureReportLengthFromDescriptor(*descriptor);
    if (!length)
        lastError_ =
            "the report descriptor is malformed or declares no feature report of a usable length";
    return length;
}

int HidapiBackend::GetFeatureReport(std::span<std::uint8_t> buffer) {
    if (device_ == nullptr || buffer.empty()) return -1;
    errno = 0;
    // On Linux the count is what the kernel returned: the report's own size with its id, which
    // may be less than the buffer.
    const int received = hid_get_feature_report(device_, buffer.data(), buffer.size());
    if (received < 0) NoteFailure(device_);
    return received;
}

bool HidapiBackend::SetFeatureReport(std::span<const std::uint8_t> buffer) {
    if (device_ == nullptr || buffer.empty()) return false;
    errno = 0;
    if (hid_send_feature_report(device_, buffer.data(), buffer.size()) >= 0) return true;
    NoteFailure(device_);
    return false;
}

void HidapiBackend::Close() {
    if (device_ != nullptr) hid_close(device_);
    device_ = nullptr;
    path_.clear();
    descriptor_.reset();
}

}  // namespace upsconfig
