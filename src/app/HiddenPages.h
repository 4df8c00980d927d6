#pragma once

#include <QWidget>
#include <array>

#include "device/ReportLayer.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

class SettingsPage;
class UpsPage;
class DryContactPage;
class BatteryPage;
class ParallelPage;
class OutletPage;
class EcoPage;

// The seven settings pages once more, never shown and quiet: they tell what storing the pages
// gives for an image they were loaded with, without touching the user's pages.
class HiddenPages {
  public:
    explicit HiddenPages(ReportLayer& reports);
    HiddenPages(const HiddenPages&) = delete;
    HiddenPages& operator=(const HiddenPages&) = delete;

    // Loads the image as the window loads its pages after a read, then stores the pages that
    // have a tab (withTab in store order: UPS, dry contact, battery, parallel, Outlet1,
    // Outlet2, ECO) into a copy of it.
    SettingsImage RoundTrip(const SettingsImage& image, const std::array<bool, 7>& withTab);

  private:
    QWidget holder_;
    UpsPage* ups_;
    DryContactPage* dryContact_;
    ParallelPage* parallel_;
    std::array<SettingsPage*, 7> pages_;
};

}  // namespace upsconfig
