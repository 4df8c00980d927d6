#include "device/HidLink.h"

#include <algorithm>

namespace upsconfig {

HidLink::HidLink(HidBackend& backend) : backend_(backend) {}

void HidLink::SetIds(std::uint16_t vendorId, std::uint16_t productId) {
    std::lock_guard lock(mutex_);
    vendorId_ = vendorId;
    productId_ = productId;
}

std::size_t HidLink::FeatureLength() const {
    std::lock_guard lock(mutex_);
    return featureLength_;
}

bool HidLink::ConnectLocked() {
    // Enumerate afresh every time: a unit may have been replugged under another path.
    for (const HidInterface& candidate : backend_.Enumerate()) {
        if (candidate.vendorId != vendorId_ || candidate.productId != productId_) continue;
        if (!backend_.Open(candidate.path)) continue;
        const auto length = backend_.FeatureReportLength();
        // A length we cannot know, or one that does not fit the buffer, cannot be transferred
        // safely: such a unit counts as not matching.
        if (!length || *length < 1 || *length > kBufferSize) {
            backend_.Close();
            continue;
        }
        featureLength_ = *length;
        devicePath_ = candidate.path;
        connected_ = true;
        return true;
    }
    return false;
}

bool HidLink::EnsureConnectedLocked() { return connected_ || ConnectLocked(); }

void HidLink::FailLocked() {
    backend_.Close();
    connected_ = false;
}

bool HidLink::ReadReport(std::uint8_t id, std::span<std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    if (!EnsureConnectedLocked()) return false;
    buffer_[0] = id;
    if (!backend_.GetFeatureReport(std::span(buffer_).first(featureLength_))) {
        FailLocked();
        return false;
    }
    const std::size_t count = std::min(data.size(), kBufferSize - 1);
    std::copy_n(buffer_.begin() + 1, count, data.begin());
    return true;
}

bool HidLink::WriteReport(std::uint8_t id, std::span<const std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    if (!EnsureConnectedLocked()) return false;
    buffer_[0] = id;
    const std::size_t count = std::min(data.size(), kBufferSize - 1);
    std::copy_n(data.begin(), count, buffer_.begin() + 1);
    if (!backend_.SetFeatureReport(std::span(buffer_).first(featureLength_))) {
        FailLocked();
        return false;
    }
    return true;
}

}  // namespace upsconfig
