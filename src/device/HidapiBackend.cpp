#include "device/HidapiBackend.h"

#include <hidapi.h>

#include <algorithm>
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

}  // namespace

HidapiBackend::HidapiBackend() { initialised_ = hid_init() == 0; }

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
        list.push_back({info->path, info->vendor_id, info->product_id});
    }
    hid_free_enumeration(all);
    return list;
}

bool HidapiBackend::Open(const std::string& path) {
    Close();
    if (!initialised_) return false;
    device_ = hid_open_path(path.c_str());
    if (device_ == nullptr) return false;
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
    const auto descriptor = ReadReportDescriptor();
    if (!descriptor) return std::nullopt;
    return FeatureReportLengthFromDescriptor(*descriptor);
}

bool HidapiBackend::GetFeatureReport(std::span<std::uint8_t> buffer) {
    if (device_ == nullptr || buffer.empty()) return false;
    return hid_get_feature_report(device_, buffer.data(), buffer.size()) >= 0;
}

bool HidapiBackend::SetFeatureReport(std::span<const std::uint8_t> buffer) {
    if (device_ == nullptr || buffer.empty()) return false;
    return hid_send_feature_report(device_, buffer.data(), buffer.size()) >= 0;
}

void HidapiBackend::Close() {
    if (device_ != nullptr) hid_close(device_);
    device_ = nullptr;
    path_.clear();
}

}  // namespace upsconfig
