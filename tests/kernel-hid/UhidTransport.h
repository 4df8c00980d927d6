#pragma once

#include <array>
#include <memory>

#include "Transport.h"

struct uhid_get_report_req;
struct uhid_set_report_req;

namespace upsconfig::kernelhid {

class UhidDevice;

// The units as HID devices of their own through /dev/uhid: the kernel's HID core and hidraw,
// no USB below them.
class UhidTransport : public Transport {
  public:
    UhidTransport(Requests& requests, std::vector<std::uint8_t> descriptor);
    ~UhidTransport() override;

    bool Plug(int unit) override;
    bool Unplug(int unit) override;
    bool Replug(int unit) override;
    std::vector<int> Fds() const override;
    void Handle(int fd) override;

  private:
    void AnswerGet(int unit, const uhid_get_report_req& request);
    void AnswerSet(int unit, const uhid_set_report_req& request);

    Requests& requests_;
    const std::vector<std::uint8_t> descriptor_;
    std::array<std::unique_ptr<UhidDevice>, kUnits> units_;
    std::array<bool, kUnits> plugged_{};
    // Another unit of the same maker that is not one of ours; it takes the node a replugged unit
    // would otherwise get back.
    std::unique_ptr<UhidDevice> decoy_;
};

}  // namespace upsconfig::kernelhid
