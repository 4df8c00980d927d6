#pragma once

// The report layer over a simulated unit, with a pauser that only counts, as its tests share it.
#include <gtest/gtest.h>

#include <vector>

#include "device/HidLink.h"
#include "device/ReportLayer.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"

namespace upsconfig {

using Data = std::array<std::uint8_t, 4>;
using Ids = std::vector<std::uint8_t>;
using Direction = SimulatedUps::Direction;
using support::FakePauser;

struct RecordingListener : ReportListener {
    void ShowVersions(int h, int p, int m) override { versions.push_back({h, p, m}); }
    void ShareImage(const SettingsImage& image) override { shared.push_back(image); }
    void ShowTimeSinceStartup(std::int32_t seconds) override { startup.push_back(seconds); }
    std::vector<std::array<int, 3>> versions;
    std::vector<SettingsImage> shared;
    std::vector<std::int32_t> startup;
};

// An image with every byte distinct, so a byte that lands in the wrong place shows.
inline SettingsImage DistinctImage(std::uint8_t model) {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
        image.bytes[i] = static_cast<std::uint8_t>(0x80 + i);
    }
    image.bytes[8] = model;
    image.bytes[9] = 0;
    return image;
}

class ReportLayerTest : public testing::Test {
  protected:
    void SetUp() override {
        link.SetIds(kUpsVendorId, kUpsProductId);
        layer.SetListener(&listener);
    }

    // Reads the unit's current state as the window would, then forgets that traffic.
    void ReadFirst() {
        layer.ReadAllReports();
        ASSERT_TRUE(layer.Connected());
        ups.ClearLog();
        pauser.Reset();
    }

    SimulatedUps ups;
    HidLink link{ups};
    FakePauser pauser;
    ReportLayer layer{link, pauser.AsPauser()};
    RecordingListener listener;
};
}  // namespace upsconfig
