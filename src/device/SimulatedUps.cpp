#include "device/SimulatedUps.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "device/HidLink.h"
#include "device/ReportDescriptor.h"

namespace upsconfig {
namespace {

constexpr std::uint8_t kIdentification = 0x01;
constexpr std::uint8_t kBatteryTest = 0x08;
constexpr std::uint8_t kStartupTime = 0x09;
constexpr std::uint8_t kSettings = 0x32;
constexpr std::uint8_t kStatus = 0x33;
constexpr std::uint8_t kFirstOutletReport = 0x3C;
constexpr std::uint8_t kSummary = 0x44;

// Bits of the summary report's command byte that the unit acts on and then clears; bit 6 has
// no meaning to the tool and is kept as written.
constexpr std::uint8_t kOutlet1On = 0x04;
constexpr std::uint8_t kOutlet1Off = 0x08;
constexpr std::uint8_t kOutlet2On = 0x10;
constexpr std::uint8_t kOutlet2Off = 0x20;
constexpr std::uint8_t kDisplayUpdate = 0x80;
constexpr std::uint8_t kKeptCommandBits = 0x40;

std::size_t ImageOffset(std::uint8_t id) {
    if (id == kSettings) return 0;
    if (id == kSummary) return 4;
    return 10 + 4u * static_cast<std::size_t>(id - kFirstOutletReport);
}

void ApplyOutletCommand(bool& outlet, bool turnOn, bool turnOff) {
    // Both bits mean reboot: off, then on again, so the outlet ends up on.
    if (turnOn) {
        outlet = true;
    } else if (turnOff) {
        outlet = false;
    }
}

}  // namespace

SimulatedUps::ReportData SimulatedUps::Transfer::Data() const {
    ReportData data{};
    for (std::size_t i = 0; i < data.size() && i + 1 < bytes.size(); ++i)
        data[i] = bytes[i + 1];
    return data;
}

std::vector<std::uint8_t> SimulatedUps::DefaultReportDescriptor() {
    std::vector<std::uint8_t> d{
        0x06, 0x00, 0xFF,  // Usage Page (vendor defined)
        0x09, 0x01,        // Usage (1)
        0xA1, 0x01,        // Collection (Application)
        0x15, 0x00,        //   Logical Minimum (0)
        0x26, 0xFF, 0x00,  //   Logical Maximum (255)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x04,        //   Report Count (4)
    };
    const std::uint8_t ids[] = {0x01, 0x08, 0x09, 0x32, 0x33, 0x3C, 0x3D,
                                0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44};
    for (std::uint8_t id : ids) {
        d.insert(d.end(), {0x85, id,      // Report ID
                           0x09, 0x01,    // Usage (1)
                           0xB1, 0x02});  // Feature (Data, Variable, Absolute)
    }
    d.push_back(0xC0);  // End Collection
    return d;
}

SimulatedUps::SimulatedUps() : descriptor_(DefaultReportDescriptor()) {
    interfaces_.push_back({{kDefaultPath, kUpsVendorId, kUpsProductId}, std::nullopt});
    settings_[kSettings] = {};
    for (std::uint8_t id = kFirstOutletReport; id <= kSummary; ++id)
        settings_[id] = {};
}

// --- What the unit is ------------------------------------------------------------------------

void SimulatedUps::SetModelCode(std::uint8_t code) {
    std::lock_guard lock(mutex_);
    modelCode_ = code;
}

void SimulatedUps::SetVersions(std::uint8_t hardware, std::uint8_t powerFirmware,
                               std::uint8_t monitorFirmware) {
    std::lock_guard lock(mutex_);
    versions_ = {hardware, powerFirmware, monitorFirmware};
}

void SimulatedUps::SetOnline(bool online) {
    std::lock_guard lock(mutex_);
    online_ = online;
}

void SimulatedUps::SetOutlet(int outlet, bool on) {
    std::lock_guard lock(mutex_);
    if (outlet == 1 || outlet == 2) outlets_[static_cast<std::size_t>(outlet - 1)] = on;
}

bool SimulatedUps::OutletOn(int outlet) const {
    std::lock_guard lock(mutex_);
    return (outlet == 1 || outlet == 2) && outlets_[static_cast<std::size_t>(outlet - 1)];
}

void SimulatedUps::SetStartupSeconds(std::int32_t seconds) {
    std::lock_guard lock(mutex_);
    startupSeconds_ = seconds;
}

bool SimulatedUps::IsSettingsReport(std::uint8_t id) {
    return id == kSettings || (id >= kFirstOutletReport && id <= kSummary);
}

void SimulatedUps::SetSettingsReport(std::uint8_t id, const ReportData& data) {
    std::lock_guard lock(mutex_);
    if (IsSettingsReport(id)) settings_[id] = data;
}

SimulatedUps::ReportData SimulatedUps::SettingsReport(std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = settings_.find(id);
    return it == settings_.end() ? ReportData{} : it->second;
}

void SimulatedUps::LoadImage(const SettingsImage& image) {
    std::lock_guard lock(mutex_);
    for (auto& [id, data] : settings_) {
        std::copy_n(image.bytes.begin() + ImageOffset(id), 4, data.begin());
    }
    modelCode_ = image.bytes[8];
}

SettingsImage SimulatedUps::HeldImage() const {
    std::lock_guard lock(mutex_);
    SettingsImage image;
    for (const auto& [id, data] : settings_) {
        std::copy(data.begin(), data.end(), image.bytes.begin() + ImageOffset(id));
    }
    image.bytes[8] = modelCode_;
    return image;
}

bool SimulatedUps::DisplayUpdateMode() const {
    std::lock_guard lock(mutex_);
    return displayUpdateMode_;
}

int SimulatedUps::LastBatteryTestCommand() const {
    std::lock_guard lock(mutex_);
    return lastBatteryTest_;
}

// --- How it is attached ----------------------------------------------------------------------

void SimulatedUps::AddInterface(const std::string& path, std::uint16_t vendorId,
                                std::uint16_t productId,
                                std::optional<std::vector<std::uint8_t>> descriptor) {
    std::lock_guard lock(mutex_);
    interfaces_.push_back({{path, vendorId, productId}, std::move(descriptor)});
}

void SimulatedUps::SetInterfaceIds(const std::string& path, std::uint16_t vendorId,
                                   std::uint16_t productId) {
    std::lock_guard lock(mutex_);
    for (Interface& i : interfaces_) {
        if (i.info.path == path) {
            i.info.vendorId = vendorId;
            i.info.productId = productId;
        }
    }
}

void SimulatedUps::SetReportDescriptor(std::vector<std::uint8_t> descriptor) {
    std::lock_guard lock(mutex_);
    descriptor_ = std::move(descriptor);
}

void SimulatedUps::Unplug() {
    std::lock_guard lock(mutex_);
    plugged_ = false;
    ++plugGeneration_;
}

void SimulatedUps::Replug() {
    std::lock_guard lock(mutex_);
    plugged_ = true;
    ++plugGeneration_;
}

// --- Faults ----------------------------------------------------------------------------------

void SimulatedUps::FailNextTransfers(int count) { FailTransfers(0, count); }

void SimulatedUps::FailTransfers(int skip, int count) {
    std::lock_guard lock(mutex_);
    skipBeforeFail_ = std::max(0, skip);
    failNext_ = std::max(0, count);
}

void SimulatedUps::FailReport(std::uint8_t id) {
    std::lock_guard lock(mutex_);
    failingIds_[id] = true;
}

void SimulatedUps::ClearFailReport(std::uint8_t id) {
    std::lock_guard lock(mutex_);
    failingIds_.erase(id);
}

void SimulatedUps::SetLatency(std::chrono::microseconds latency) {
    std::lock_guard lock(mutex_);
    latency_ = latency;
}

void SimulatedUps::SetReplyLength(std::uint8_t id, std::size_t bytes) {
    std::lock_guard lock(mutex_);
    replyLengths_[id] = bytes;
}

void SimulatedUps::SetStoreFilter(StoreFilter filter) {
    std::lock_guard lock(mutex_);
    storeFilter_ = std::move(filter);
}

// --- What happened ---------------------------------------------------------------------------

std::vector<SimulatedUps::Transfer> SimulatedUps::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void SimulatedUps::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::vector<std::uint8_t> SimulatedUps::SuccessfulIds(Direction direction) const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> ids;
    for (const Transfer& t : log_) {
        if (t.direction == direction && t.ok) ids.push_back(t.id);
    }
    return ids;
}

std::vector<std::uint8_t> SimulatedUps::WrittenIds() const { return SuccessfulIds(Direction::Set); }

std::vector<std::uint8_t> SimulatedUps::ReadIds() const { return SuccessfulIds(Direction::Get); }

std::optional<SimulatedUps::ReportData> SimulatedUps::LastWrite(std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    for (auto it = log_.rbegin(); it != log_.rend(); ++it) {
        if (it->direction == Direction::Set && it->ok && it->id == id) return it->Data();
    }
    return std::nullopt;
}

int SimulatedUps::CountTransfers(Direction direction, std::uint8_t id) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(log_.begin(), log_.end(), [&](const Transfer& t) {
        return t.direction == direction && t.id == id;
    }));
}

int SimulatedUps::OpenCount() const {
    std::lock_guard lock(mutex_);
    return openCount_;
}

std::string SimulatedUps::OpenPath() const {
    std::lock_guard lock(mutex_);
    return open_ ? openPath_ : std::string();
}

int SimulatedUps::OverlappingTransfers() const {
    std::lock_guard lock(mutex_);
    return overlaps_;
}

// --- HidBackend ------------------------------------------------------------------------------

std::vector<HidInterface> SimulatedUps::Enumerate() {
    std::lock_guard lock(mutex_);
    std::vector<HidInterface> list;
    if (!plugged_) return list;
    for (const Interface& i : interfaces_)
        list.push_back(i.info);
    return list;
}

bool SimulatedUps::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    open_ = false;
    if (!plugged_) return false;
    const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                 [&](const Interface& i) { return i.info.path == path; });
    if (it == interfaces_.end()) return false;
    open_ = true;
    openPath_ = path;
    openGeneration_ = plugGeneration_;
    ++openCount_;
    return true;
}

std::optional<std::size_t> SimulatedUps::FeatureReportLength() {
    std::lock_guard lock(mutex_);
    if (!open_) return std::nullopt;
    const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                 [&](const Interface& i) { return i.info.path == openPath_; });
    const std::vector<std::uint8_t>& descriptor =
        (it != interfaces_.end() && it->descriptor) ? *it->descriptor : descriptor_;
    return FeatureReportLengthFromDescriptor(descriptor);
}

void SimulatedUps::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

bool SimulatedUps::BeginTransfer(std::uint8_t id, std::chrono::microseconds& latency) {
    std::lock_guard lock(mutex_);
    if (inTransfer_ > 0) ++overlaps_;
    ++inTransfer_;
    latency = latency_;
    return !TransferFailsLocked(id);
}

void SimulatedUps::EndTransfer() { --inTransfer_; }

bool SimulatedUps::TransferFailsLocked(std::uint8_t id) {
    if (!open_ || !plugged_ || openGeneration_ != plugGeneration_) return true;
    if (skipBeforeFail_ > 0) {
        --skipBeforeFail_;
    } else if (failNext_ > 0) {
        --failNext_;
        return true;
    }
    return failingIds_.contains(id);
}

bool SimulatedUps::AnswerLocked(std::uint8_t id, ReportData& data) const {
    switch (id) {
        case kIdentification:
            data = {modelCode_, versions_[0], versions_[1], versions_[2]};
            return true;
        case kStatus:
            data = {static_cast<std::uint8_t>((outlets_[0] ? 0x01 : 0) | (outlets_[1] ? 0x02 : 0) |
                                              (online_ ? 0x04 : 0)),
                    0, 0, 0};
            return true;
        case kStartupTime: {
            const auto raw = static_cast<std::uint32_t>(startupSeconds_);
            data = {static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8),
                    static_cast<std::uint8_t>(raw >> 16), static_cast<std::uint8_t>(raw >> 24)};
            return true;
        }
        default: {
            const auto it = settings_.find(id);
            if (it == settings_.end()) return false;  // a report the unit does not have
            data = it->second;
            return true;
        }
    }
}

bool SimulatedUps::TakeLocked(std::uint8_t id, ReportData data) {
    if (id == kBatteryTest) {
        lastBatteryTest_ = data[0];
        return true;
    }
    if (!IsSettingsReport(id)) return false;  // read-only or unknown
    if (storeFilter_) storeFilter_(id, data);
    if (id != kSummary) {
        settings_[id] = data;
        return true;
    }
    const std::uint8_t command = data[2];
    ApplyOutletCommand(outlets_[0], command & kOutlet1On, command & kOutlet1Off);
    ApplyOutletCommand(outlets_[1], command & kOutlet2On, command & kOutlet2Off);
    if (command & kDisplayUpdate) displayUpdateMode_ = true;
    // Having acted on the commands and taken the changed reports, the unit clears the
    // bookkeeping; the next read of 0x44 shows only the settings and the meaningless bit 6.
    settings_[id] = {data[0], data[1], static_cast<std::uint8_t>(command & kKeptCommandBits), 0};
    return true;
}

void SimulatedUps::Record(Direction direction, std::span<const std::uint8_t> frame, bool ok) {
    log_.push_back(Transfer{direction, frame.empty() ? std::uint8_t{0} : frame[0],
                            std::vector<std::uint8_t>(frame.begin(), frame.end()), ok,
                            open_ ? openPath_ : std::string()});
}

int SimulatedUps::GetFeatureReport(std::span<std::uint8_t> buffer) {
    if (buffer.empty()) return -1;
    std::chrono::microseconds latency{0};
    bool ok = BeginTransfer(buffer[0], latency);
    if (latency.count() > 0) std::this_thread::sleep_for(latency);
    std::lock_guard lock(mutex_);
    ReportData data{};
    ok = ok && AnswerLocked(buffer[0], data);
    // A report is its id and four data bytes, however long the caller's buffer: the rest of
    // the buffer stays as it was, as a kernel leaves it.
    std::size_t reply = 1;
    if (ok) {
        const auto shortened = replyLengths_.find(buffer[0]);
        reply = std::min(buffer.size(),
                         shortened != replyLengths_.end() ? shortened->second : 1 + data.size());
        for (std::size_t i = 1; i < reply; ++i)
            buffer[i] = i - 1 < data.size() ? data[i - 1] : 0;
    }
    Record(Direction::Get, buffer.first(std::max<std::size_t>(reply, 1)), ok);
    EndTransfer();
    return ok ? static_cast<int>(reply) : -1;
}

bool SimulatedUps::SetFeatureReport(std::span<const std::uint8_t> buffer) {
    if (buffer.empty()) return false;
    std::chrono::microseconds latency{0};
    bool ok = BeginTransfer(buffer[0], latency);
    if (latency.count() > 0) std::this_thread::sleep_for(latency);
    std::lock_guard lock(mutex_);
    ReportData data{};
    for (std::size_t i = 0; i < data.size() && i + 1 < buffer.size(); ++i)
        data[i] = buffer[i + 1];
    ok = ok && TakeLocked(buffer[0], data);
    Record(Direction::Set, buffer, ok);
    EndTransfer();
    return ok;
}

}  // namespace upsconfig
