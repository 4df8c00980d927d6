#include "device/InterfaceSelection.h"

#include <utility>

namespace upsconfig {

bool NamesInterface(const std::string& device, const HidInterface& interface) {
    return device.empty() || interface.path == device ||
           (!interface.serial.empty() && interface.serial == device);
}

std::vector<HidInterface> SelectInterfaces(const std::vector<HidInterface>& interfaces,
                                           const std::string& device, std::uint16_t vendorId,
                                           std::uint16_t productId) {
    std::vector<HidInterface> selected;
    for (const HidInterface& i : interfaces) {
        if (i.vendorId == vendorId && i.productId == productId && NamesInterface(device, i))
            selected.push_back(i);
    }
    return selected;
}

std::optional<HidInterface> SelectInterface(const std::vector<HidInterface>& interfaces,
                                            const std::string& device, std::uint16_t vendorId,
                                            std::uint16_t productId) {
    auto selected = SelectInterfaces(interfaces, device, vendorId, productId);
    if (selected.empty()) return std::nullopt;
    return std::move(selected.front());
}

OneInterfaceBackend::OneInterfaceBackend(HidBackend& backend, HidInterface only)
    : backend_(backend), only_(std::move(only)) {}

std::vector<HidInterface> OneInterfaceBackend::Enumerate() {
    // Still asks the system: a unit unplugged since must not look present.
    for (HidInterface& i : backend_.Enumerate()) {
        if (i.path == only_.path) return {std::move(i)};
    }
    return {};
}

bool OneInterfaceBackend::Open(const std::string& path) {
    return path == only_.path && backend_.Open(path);
}

std::optional<std::size_t> OneInterfaceBackend::FeatureReportLength() {
    return backend_.FeatureReportLength();
}

int OneInterfaceBackend::GetFeatureReport(std::span<std::uint8_t> buffer) {
    return backend_.GetFeatureReport(buffer);
}

bool OneInterfaceBackend::SetFeatureReport(std::span<const std::uint8_t> buffer) {
    return backend_.SetFeatureReport(buffer);
}

void OneInterfaceBackend::Close() { backend_.Close(); }
std::string OneInterfaceBackend::LastError() const { return backend_.LastError(); }
OpenFailure OneInterfaceBackend::LastOpenFailure() const { return backend_.LastOpenFailure(); }

}  // namespace upsconfig
