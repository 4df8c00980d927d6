#pragma once

#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

class ParallelPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit ParallelPage(QWidget* parent = nullptr);

    // Refills the unit-id list for list index n of the number of units (0, 1 or 2).
    void FillUnitIdList(int n);

    void LoadSettings(SettingsImage image) override;
    bool StoreSettings(SettingsImage& image) override;
    void SetFactoryDefaults() override;
    void DisableAllControls() override;

    // Both lists only while the UPS is in standby (upsOn == 0).
    void UpdateForUpsState(int upsOn);

  private:
    // The selection-change rule of the number-of-units list.
    void OnUnitsChosen(int s);
};

}  // namespace upsconfig
