#include "pages/DryContactPage.h"

namespace upsconfig {

DryContactPage::DryContactPage(QWidget* parent) : SettingsPage(Template(130), parent) {}

void DryContactPage::LoadSettings(SettingsImage /*image*/) {}

void DryContactPage::StoreSettings(SettingsImage& /*image*/) {}

void DryContactPage::SetFactoryDefaults() {}

void DryContactPage::DisableAllControls() {}

}  // namespace upsconfig
