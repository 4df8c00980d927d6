#pragma once

#include <array>

#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace upsconfig {

class UpsPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit UpsPage(QWidget* parent = nullptr);

    // Model name, voltage choices and the model-dependent check boxes for a model code.
    void SetModel(int modelCode);

    void LoadSettings(SettingsImage image) override;
    bool StoreSettings(SettingsImage& image) override;
    void SetFactoryDefaults() override;
    void DisableAllControls() override;

    // Output voltage and frequency choices only while the UPS is in standby (upsOn == 0).
    void UpdateForUpsState(int upsOn);

  private:
    QComboBox* VoltageList() const;
    QCheckBox* Box(int id) const;
    // 1015 to 1018, in bFreqLevel order.
    std::array<QRadioButton*, 4> FrequencyButtons() const;
};

}  // namespace upsconfig
