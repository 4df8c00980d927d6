#pragma once

#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

class BatteryPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit BatteryPage(QWidget* parent = nullptr);

    void LoadSettings(SettingsImage image) override;
    bool StoreSettings(SettingsImage& image) override;
    void SetFactoryDefaults() override;
    void DisableAllControls() override;

    // Everything enabled except the test interval while the automatic test is off.
    void UpdateBatteryControls();

  private:
};

}  // namespace upsconfig
