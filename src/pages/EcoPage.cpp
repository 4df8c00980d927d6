#include "pages/EcoPage.h"

namespace upsconfig {

EcoPage::EcoPage(QWidget* parent) : SettingsPage(Template(169), parent) {}

void EcoPage::LoadSettings(SettingsImage /*image*/) {}

void EcoPage::StoreSettings(SettingsImage& /*image*/) {}

void EcoPage::SetFactoryDefaults() {}

void EcoPage::DisableAllControls() {}

}  // namespace upsconfig
