#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "Transport.h"

struct usb_ctrlrequest;

namespace upsconfig::kernelhid {

// The units as full-speed USB HID devices: each a configfs gadget with one FunctionFS function
// on a UDC of dummy_hcd of its own, whose endpoint 0 this program answers. The host side sees
// USB enumeration, usbhid, control transfers with their stalls and timeouts, and the string
// descriptors, as with a unit on a real port.
class UsbTransport : public Transport {
  public:
    UsbTransport(Requests& requests, std::vector<std::uint8_t> descriptor);
    ~UsbTransport() override;

    bool Plug(int unit) override;
    bool Unplug(int unit) override;
    bool Replug(int unit) override { return Plug(unit); }  // a new address, as on a real bus
    std::vector<int> Fds() const override;
    void Handle(int fd) override;
    void Resume() override;

  private:
    struct Gadget {
        int ep0 = -1;
        bool created = false;
        bool bound = false;
        // A request left unanswered: endpoint 0 is not read until the host has given up on it,
        // since FunctionFS takes any read then as a stall.
        bool silent = false;
    };

    bool Create(int unit);
    void HandleEp0(int unit);
    void Setup(int unit, const usb_ctrlrequest& request);
    void Stall(int unit, bool in);
    // Answers endpoint 0 until ready() or the deadline; false on the deadline.
    template <typename Ready>
    bool Serve(Ready ready, std::chrono::milliseconds within);

    Requests& requests_;
    const std::vector<std::uint8_t> descriptor_;
    std::array<Gadget, kUnits> gadgets_;
    int silenceTimer_ = -1;
};

}  // namespace upsconfig::kernelhid
