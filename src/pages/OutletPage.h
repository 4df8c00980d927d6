#pragma once

#include "device/ReportLayer.h"
#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

class OutletPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit OutletPage(ReportLayer& reports, QWidget* parent = nullptr);

    // 1 or 2: which half of the settings image the page edits.
    void SetOutletNumber(int outlet);
    int OutletNumber() const { return outlet_; }

    void LoadSettings(SettingsImage image) override;
    void StoreSettings(SettingsImage& image) override;
    void SetFactoryDefaults() override;
    void DisableAllControls() override;

    void UpdateOutletControls();
    // Turn On while the outlet is off, Turn Off and Reboot while it is on.
    void UpdateCommandButtons(int outletOn);

  private:
    ReportLayer& reports_;
    int outlet_ = 0;
};

}  // namespace upsconfig
