#include "device/WindowsHidBackend.h"

#include <windows.h>
#include <winioctl.h>
// MinGW's HID headers declare C functions without saying so to C++.
extern "C" {
#include <hidsdi.h>
}
#include <hidclass.h>
#include <setupapi.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace upsconfig {
namespace {

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
    return out;
}

// The system's own words for an error, with its number, which is what a search finds.
std::string SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string words = length > 0 ? ToUtf8({text, length}) : std::string();
    if (text != nullptr) ::LocalFree(text);
    while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' ' ||
                              words.back() == '.'))
        words.pop_back();
    const std::string number = "Windows error " + std::to_string(error);
    return words.empty() ? number : words + " (" + number + ")";
}

OpenFailure::Kind KindOfError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
            return OpenFailure::Kind::Gone;
        case ERROR_ACCESS_DENIED:
            return OpenFailure::Kind::PermissionDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return OpenFailure::Kind::Busy;
        default:
            return OpenFailure::Kind::Other;
    }
}

// Without access rights: the attributes, the capabilities and feature reports need none, and a
// device that the system holds for itself still opens so.
HANDLE OpenDevice(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
}

std::string SerialOf(HANDLE device) {
    // The system hands out at most 126 characters and their terminator.
    std::array<wchar_t, 128> serial{};
    const ULONG bytes = static_cast<ULONG>((serial.size() - 1) * sizeof(wchar_t));
    if (!::HidD_GetSerialNumberString(device, serial.data(), bytes)) return {};
    return ToUtf8(serial.data());
}

// One interface of the set: its path and, where it opens, what it says of itself.
std::optional<HidInterface> Describe(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    DWORD size = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return std::nullopt;
    // Words of eight bytes keep the structure aligned.
    std::vector<std::uint64_t> storage(size / sizeof(std::uint64_t) + 1);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, nullptr))
        return std::nullopt;

    const std::wstring path = detail->DevicePath;
    HidInterface entry;
    entry.path = ToUtf8(path);
    const HANDLE device = OpenDevice(path);
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (device != INVALID_HANDLE_VALUE && ::HidD_GetAttributes(device, &attributes)) {
        entry.vendorId = attributes.VendorID;
        entry.productId = attributes.ProductID;
        entry.serial = SerialOf(device);
    } else {
        WindowsHidBackend::IdsFromPath(entry.path, entry);
    }
    if (device != INVALID_HANDLE_VALUE) ::CloseHandle(device);
    return entry;
}

std::string Hex(std::uint8_t id) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "0x%02X", id);
    return text.data();
}

}  // namespace

WindowsHidBackend::~WindowsHidBackend() { Close(); }

std::vector<HidInterface> WindowsHidBackend::Enumerate() {
    std::vector<HidInterface> list;
    GUID hidClass;
    ::HidD_GetHidGuid(&hidClass);
    const HDEVINFO set =
        ::SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        lastError_ = "the HID interfaces could not be listed: " + SystemErrorText(::GetLastError());
        return list;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof(data);
        if (!::SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &data)) break;
        if (auto entry = Describe(set, data)) list.push_back(std::move(*entry));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return list;
}

bool WindowsHidBackend::Open(const std::string& path) {
    Close();
    openFailure_ = {};
    const HANDLE device = OpenDevice(FromUtf8(path));
    if (device == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        lastError_ = SystemErrorText(error);
        openFailure_ = {KindOfError(error), static_cast<int>(error), lastError_};
        return false;
    }
    device_ = device;
    return true;
}

std::optional<std::size_t> WindowsHidBackend::FeatureReportLength() {
    if (device_ == nullptr) return std::nullopt;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!::HidD_GetPreparsedData(device_, &preparsed)) {
        lastError_ =
            "the device's capabilities could not be read: " + SystemErrorText(::GetLastError());
        return std::nullopt;
    }
    HIDP_CAPS caps{};
    const NTSTATUS status = ::HidP_GetCaps(preparsed, &caps);
    ::HidD_FreePreparsedData(preparsed);
    if (status != HIDP_STATUS_SUCCESS) {
        lastError_ = "the device's capabilities could not be read: status " +
                     std::to_string(static_cast<unsigned long>(status));
        return std::nullopt;
    }
    return caps.FeatureReportByteLength;
}

void WindowsHidBackend::IdsFromPath(std::string_view path, HidInterface& entry) {
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    const auto id = [&lower](std::string_view key) -> std::optional<std::uint16_t> {
        const std::size_t at = lower.find(key);
        if (at == std::string::npos || lower.size() - at - key.size() < 4) return std::nullopt;
        const char* first = lower.data() + at + key.size();
        std::uint16_t value = 0;
        const auto [end, error] = std::from_chars(first, first + 4, value, 16);
        if (error != std::errc() || end != first + 4) return std::nullopt;
        return value;
    };
    const auto vendor = id("vid_");
    const auto product = id("pid_");
    if (!vendor || !product) return;
    entry.vendorId = *vendor;
    entry.productId = *product;
}

int WindowsHidBackend::CheckFeatureReply(std::uint8_t id, std::span<const std::uint8_t> reply,
                                         unsigned long returned, std::string& why) {
    const std::size_t count = std::min<std::size_t>(returned, reply.size());
    if (count > 0 && reply[0] != id) {
        why = "the reply to report " + Hex(id) + " carries report id " + Hex(reply[0]);
        return -1;
    }
    return static_cast<int>(count);
}

int WindowsHidBackend::GetFeatureReport(std::span<std::uint8_t> buffer) {
    if (device_ == nullptr || buffer.empty()) return -1;
    const std::uint8_t id = buffer[0];
    // The class driver's request that HidD_GetFeature makes, asked directly for the byte count
    // HidD_GetFeature keeps to itself: without it a reply short of its id passes, shifted.
    DWORD returned = 0;
    if (!::DeviceIoControl(device_, IOCTL_HID_GET_FEATURE, nullptr, 0, buffer.data(),
                           static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        lastError_ = SystemErrorText(::GetLastError());
        return -1;
    }
    return CheckFeatureReply(id, buffer, returned, lastError_);
}

bool WindowsHidBackend::SetFeatureReport(std::span<const std::uint8_t> buffer) {
    if (device_ == nullptr || buffer.empty()) return false;
    // The call takes a writable buffer but only reads it.
    if (::HidD_SetFeature(device_, const_cast<std::uint8_t*>(buffer.data()),
                          static_cast<ULONG>(buffer.size())))
        return true;
    lastError_ = SystemErrorText(::GetLastError());
    return false;
}

void WindowsHidBackend::Close() {
    if (device_ != nullptr) ::CloseHandle(device_);
    device_ = nullptr;
}

}  // namespace upsconfig
