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

    // The page's own copy of the settings image (its model code picks the help texts).
    void SetOwnImage(const SettingsImage& image) { ownImage_ = image; }
    const SettingsImage& OwnImage() const { return ownImage_; }

  private:
    SettingsImage ownImage_;
};

}  // namespace upsconfig
