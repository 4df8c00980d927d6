#include "pages/BatteryPage.h"

namespace upsconfig {

BatteryPage::BatteryPage(QWidget* parent) : SettingsPage(Template(131), parent) {}

void BatteryPage::LoadSettings(SettingsImage /*image*/) {}

void BatteryPage::StoreSettings(SettingsImage& /*image*/) {}

void BatteryPage::SetFactoryDefaults() {}

void BatteryPage::DisableAllControls() {}

void BatteryPage::UpdateBatteryControls() {}

}  // namespace upsconfig
