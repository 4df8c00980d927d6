#include "device/InterfaceSelection.h"

#include <utility>

#include "device/ReportLayer.h"

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

std::optional<int> ReadModelCode(HidBackend& backend, const HidInterface& interface,
                                 const Pauser& pauser, std::string* why, std::uint16_t vendorId,
                                 std::uint16_t productId) {
    SelectedBackend only(backend, interface.path);
    HidLink link(only);
    link.SetIds(vendorId, productId);
    ReportLayer layer(link, pauser);
    std::optional<int> model;
    if (layer.ReadIdentity()) {
        model = layer.Image().bytes[protocol::ModelCodeByte()];
    } else if (why != nullptr) {
        *why = link.LastFailure();
    }
    only.Close();
    return model;
}

SelectedBackend::SelectedBackend(HidBackend& backend, std::string device)
    : backend_(backend), device_(std::move(device)) {}

std::vector<HidInterface> SelectedBackend::Enumerate() {
    // Asks the system every time: a unit replugged meanwhile may be under another node.
    std::vector<HidInterface> found = backend_.Enumerate();
    std::erase_if(found, [this](const HidInterface& i) { return !NamesInterface(device_, i); });
    return found;
}

bool SelectedBackend::Open(const std::string& path) { return backend_.Open(path); }

std::optional<std::size_t> SelectedBackend::FeatureReportLength() {
    return backend_.FeatureReportLength();
}

bool SelectedBackend::DescriptorUnavailable() const { return backend_.DescriptorUnavailable(); }

int SelectedBackend::GetFeatureReport(std::span<std::uint8_t> buffer) {
    return backend_.GetFeatureReport(buffer);
}

bool SelectedBackend::SetFeatureReport(std::span<const std::uint8_t> buffer) {
    return backend_.SetFeatureReport(buffer);
}

void SelectedBackend::Close() { backend_.Close(); }
std::string SelectedBackend::LastError() const { return backend_.LastError(); }
OpenFailure SelectedBackend::LastOpenFailure() const { return backend_.LastOpenFailure(); }

}  // namespace upsconfig
