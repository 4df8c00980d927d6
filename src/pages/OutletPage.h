#pragma once

#include <array>

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
    bool StoreSettings(SettingsImage& image) override;
    void SetFactoryDefaults() override;
    void DisableAllControls() override;

    void UpdateOutletControls();
    // Turn On while the outlet is off, Turn Off and Reboot while it is on; none while the unit
    // does not answer.
    void UpdateCommandButtons(int outletOn);
    void SetUnitReachable(bool reachable) override { reachable_ = reachable; }

  private:
    // The values of the eight exchanged controls, in exchange order (1032, 1026, 1025, 1024,
    // 1022, 1023, 1021, 1027). The reading of the controls stops at the first bad entry, and
    // the members after it keep what they held.
    std::array<int, 8> members_{};
    // The text each edit got from the last load, default or store: a value the unit holds
    // out of range, still shown as it came, is no entry of the user's.
    std::array<QString, 8> pushedTexts_{};

    // Controls into members, in exchange order; false when it stopped at a bad entry.
    bool ReadControls();
    void PushMembers();
    void WriteOutlet(SettingsImage& image, int half);
    bool SameAsOutlet1() const;

    ReportLayer& reports_;
    int outlet_ = 0;
    bool reachable_ = true;
};

}  // namespace upsconfig
