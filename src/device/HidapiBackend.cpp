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

namespace upsconfig {
namespace {

// Larger than any report descriptor a HID device may return.
constexpr std::size_t kMaxDescriptorSize = 4096;

#if defined(__linux__)
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
    lastError_ = ToUtf8(hid_error(device));
    if (lastError_.empty() && error != 0) lastError_ = std::strerror(error);
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
    errno = 0;
    device_ = hid_open_path(path.c_str());
    if (device_ == nullptr) {
        const int error = NoteFailure(nullptr);
        openFailure_ = {OpenFailure::KindOfErrno(error), error, lastError_};
        return false;
    }
    path_ = path;
    return true;
}

std::optional<std::vector<std::uint8_t>> HidapiBackend::ReadReportDescriptor() const {
#if defined(HID_API_VERSION) && HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
    std::vector<std::uint8_t> bytes(kMaxDescriptorSize);
    const int n = hid_get_report_descriptor(device_, bytes.data(), bytes.size());
    if (n > 0) {
        bytes.resize(static_cast<std::size_t>(n));
        return bytes;
    }
#endif
#if defined(__linux__)
    return DescriptorFromSysfs(path_);
#else
    return std::nullopt;
#endif
}

std::optional<std::size_t> HidapiBackend::FeatureReportLength() {
    if (device_ == nullptr) return std::nullopt;
    errno = 0;
    const auto descriptor = ReadReportDescriptor();
    if (!descriptor) {
        const int error = errno;
        lastError_ = "the report descriptor could not be read";
        if (error != 0) lastError_ += std::string(": ") + std::strerror(error);
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
}

}  // namespace upsconfig
