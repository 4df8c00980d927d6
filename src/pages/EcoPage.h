#pragma once

#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

class EcoPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit EcoPage(QWidget* parent = nullptr);

    void LoadSettings(SettingsImage image) override;
    bool StoreSettings(SettingsImage& image) override;
    void SetFactoryDefaults() override;
    void DisableAllControls() override;

  private:
};

}  // namespace upsconfig
