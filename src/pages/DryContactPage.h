#pragma once

#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

class DryContactPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit DryContactPage(QWidget* parent = nullptr);

    void LoadSettings(SettingsImage image) override;
    bool StoreSettings(SettingsImage& image) override;
    void SetFactoryDefaults() override;
    void DisableAllControls() override;

  protected:
    bool UseAlternativeHelp() const override;
};

}  // namespace upsconfig
