#include "pages/UpsPage.h"

namespace upsconfig {

UpsPage::UpsPage(QWidget* parent) : SettingsPage(Template(129), parent) {}

void UpsPage::SetModel(int /*modelCode*/) {}

void UpsPage::LoadSettings(SettingsImage /*image*/) {}

void UpsPage::StoreSettings(SettingsImage& /*image*/) {}

void UpsPage::SetFactoryDefaults() {}

void UpsPage::DisableAllControls() {}

void UpsPage::UpdateForUpsState(int /*upsOn*/) {}

}  // namespace upsconfig
