#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/HidBackend.h"
#include "sim/SimulatedUnit.h"

namespace upsconfig {

// The scriptable bus with one simulated unit on it: the test double of the device layer and
// the unit of the demo. It lists the unit's interfaces, opens them, hands transfers to the unit,
// and can be told to misbehave: unplugged, failing transfers, slow, short replies. It records
// every transfer so tests can assert the exact sequence of report ids and bytes on the wire.
// Thread-safe: the user-interface thread and the monitor thread both talk to it.
class SimulatedUps : public HidBackend {
  public:
    using ReportData = SimulatedUnit::ReportData;

    enum class Direction { Get, Set };
    struct Transfer {
        Direction direction;
        std::uint8_t id;
        // The frame, id included: what the unit sent back for a read, what it got for a write.
        std::vector<std::uint8_t> bytes;
        bool ok;
        std::string path;         // the interface it went through
        ReportData Data() const;  // data bytes 0..3
    };

    static constexpr const char* kDefaultPath = "sim:ups0";

    // One interface listed with the unit's ids (kUpsVendorId, kUpsProductId).
    SimulatedUps();

    // The unit behind every interface of the bus.
    SimulatedUnit& Unit() { return unit_; }
    const SimulatedUnit& Unit() const { return unit_; }

    // --- How it is attached ----------------------------------------------------------
    // Further interfaces in enumeration order after the ones already listed. They all lead to
    // this one unit; a descriptor given here overrides the unit's for that interface.
    void AddInterface(const std::string& path, std::uint16_t vendorId, std::uint16_t productId,
                      std::optional<std::vector<std::uint8_t>> descriptor = std::nullopt);
    void SetInterfaceIds(const std::string& path, std::uint16_t vendorId, std::uint16_t productId);
    void SetInterfaceSerial(const std::string& path, const std::string& serial);
    void SetReportDescriptor(std::vector<std::uint8_t> descriptor);  // empty = unreadable
    void Unplug();  // gone from the list; the open device fails every transfer
    void Replug();  // listed again; a device opened before stays dead
    bool Plugged() const;

    // --- Faults ----------------------------------------------------------------------
    void FailNextTransfers(int count);
    // Of the transfers from now on, the first `skip` work and the `count` after them fail.
    void FailTransfers(int skip, int count);
    void FailReport(std::uint8_t id);  // every transfer of this id fails until cleared
    // Every Open of the interface at path fails so (the node gone, permission denied, busy)
    // until told Kind::None.
    void FailOpen(const std::string& path, OpenFailure failure);
    void ClearFailReport(std::uint8_t id);
    void SetLatency(std::chrono::microseconds latency);  // real time per transfer
    // The unit answers reads of id with only that many bytes, report id included (a report
    // is normally id and four data bytes). Bytes of the caller's buffer past them are left as
    // they were.
    void SetReplyLength(std::uint8_t id, std::size_t bytes);

    // --- What happened ---------------------------------------------------------------
    // Called after every transfer with its record, on the thread that made it and outside the
    // bus's lock, so it may call back into the bus. Empty = none.
    using TransferListener = std::function<void(const Transfer&)>;
    void SetTransferListener(TransferListener listener);
    std::vector<Transfer> Log() const;
    void ClearLog();
    std::vector<std::uint8_t> WrittenIds() const;  // ids of successful writes, in order
    std::vector<std::uint8_t> ReadIds() const;     // ids of successful reads, in order
    std::vector<std::uint8_t> SuccessfulIds(Direction direction) const;
    std::optional<ReportData> LastWrite(std::uint8_t id) const;
    int CountTransfers(Direction direction, std::uint8_t id) const;  // attempts, failed included
    int OpenCount() const;
    std::string OpenPath() const;  // empty when nothing is open
    // Transfers that started while another was still running; a serialised link keeps it 0.
    int OverlappingTransfers() const;

    // --- HidBackend --------------------------------------------------------------------
    std::vector<HidInterface> Enumerate() override;
    bool Open(const std::string& path) override;
    std::optional<std::size_t> FeatureReportLength() override;
    bool DescriptorUnavailable() const override { return descriptorUnavailable_; }
    int GetFeatureReport(std::span<std::uint8_t> buffer) override;
    bool SetFeatureReport(std::span<const std::uint8_t> buffer) override;
    void Close() override;
    OpenFailure LastOpenFailure() const override;

  private:
    struct Interface {
        HidInterface info;
        std::optional<std::vector<std::uint8_t>> descriptor;
    };

    bool BeginTransfer(std::uint8_t id, std::chrono::microseconds& latency);
    void EndTransfer();
    bool TransferFailsLocked(std::uint8_t id);
    void Record(Direction direction, std::span<const std::uint8_t> frame, bool ok);
    // Hands the transfer just recorded to the listener, after releasing the lock.
    void TellListener(std::unique_lock<std::mutex>& lock);

    SimulatedUnit unit_;
    mutable std::mutex mutex_;
    std::vector<Interface> interfaces_;
    std::vector<std::uint8_t> descriptor_;
    std::atomic<bool> descriptorUnavailable_{false};  // of the last FeatureReportLength

    bool plugged_ = true;
    int plugGeneration_ = 0;
    bool open_ = false;
    int openGeneration_ = -1;
    std::string openPath_;
    int openCount_ = 0;

    int failNext_ = 0;
    int skipBeforeFail_ = 0;
    std::map<std::uint8_t, bool> failingIds_;
    std::map<std::string, OpenFailure> openFailures_;
    OpenFailure lastOpenFailure_;
    std::chrono::microseconds latency_{0};
    std::map<std::uint8_t, std::size_t> replyLengths_;
    int inTransfer_ = 0;
    int overlaps_ = 0;
    std::vector<Transfer> log_;
    TransferListener listener_;
};

}  // namespace upsconfig
