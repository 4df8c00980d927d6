#include "device/HidLink.h"

#include <algorithm>
#include <utility>

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

HidInterface HidLink::OpenedInterface() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

std::string HidLink::LastFailure() const {
    std::lock_guard lock(mutex_);
    return lastFailure_;
}

bool HidLink::FeatureLengthFits(std::optional<std::size_t> length) {
    return length && *length >= kMinimumTransfer && *length <= kBufferSize;
}

bool HidLink::ConnectLocked() {
    // Why the last candidate was passed over; a person reads it when nothing matched.
    std::string reason = "no UPS found";
    // Enumerate afresh every time: a unit may have been replugged under another path.
    for (const HidInterface& candidate : backend_.Enumerate()) {
        if (candidate.vendorId != vendorId_ || candidate.productId != productId_) continue;
        if (!backend_.Open(candidate.path)) {
            const std::string why = backend_.LastOpenFailure().text;
            reason = candidate.path + " could not be opened" + (why.empty() ? "" : ": " + why);
            continue;
        }
        const auto length = backend_.FeatureReportLength();
        if (!FeatureLengthFits(length)) {
            if (!length && backend_.DescriptorUnavailable()) {
                const std::string why = backend_.LastError();
                reason = candidate.path + ": " +
                         (why.empty() ? "the report descriptor could not be read" : why);
            } else {
                reason = "the device's feature reports do not fit this unit's reports";
                if (!length && !backend_.LastError().empty()) reason += ": " + backend_.LastError();
            }
            backend_.Close();
            continue;
        }
        featureLength_ = *length;
        opened_ = candidate;
        connected_ = true;
        lastFailure_.clear();
        return true;
    }
    lastFailure_ = reason;
    return false;
}

bool HidLink::EnsureConnectedLocked() { return connected_ || ConnectLocked(); }

void HidLink::FailLocked(std::string reason) {
    lastFailure_ = std::move(reason);
    backend_.Close();
    connected_ = false;
}

bool HidLink::ReadReport(std::uint8_t id, std::span<std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    if (!EnsureConnectedLocked()) return false;
    const auto frame = std::span(buffer_).first(featureLength_);
    frame[0] = id;
    const int received = backend_.GetFeatureReport(frame);
    if (received < 0) {
        FailLocked(backend_.LastError());
        return false;
    }
    const auto count = std::min(static_cast<std::size_t>(received), featureLength_);
    if (count < kMinimumTransfer) {
        FailLocked("short reply: " + std::to_string(count) + " bytes");
        return false;
    }
    // Whatever lies past the reply is left from an earlier transfer, never the unit's answer.
    std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(count), buffer_.end(), 0);
    const std::size_t copied = std::min(data.size(), kBufferSize - 1);
    std::copy_n(buffer_.begin() + 1, copied, data.begin());
    std::fill(data.begin() + static_cast<std::ptrdiff_t>(copied), data.end(), 0);
    lastFailure_.clear();
    return true;
}

bool HidLink::WriteReport(std::uint8_t id, std::span<const std::uint8_t> data) {
    std::lock_guard lock(mutex_);
    if (!EnsureConnectedLocked()) return false;
    buffer_.fill(0);
    buffer_[0] = id;
    const std::size_t count = std::min(data.size(), kBufferSize - 1);
    std::copy_n(data.begin(), count, buffer_.begin() + 1);
    if (!backend_.SetFeatureReport(std::span(buffer_).first(featureLength_))) {
        FailLocked(backend_.LastError());
        return false;
    }
    lastFailure_.clear();
    return true;
}

}  // namespace upsconfig
