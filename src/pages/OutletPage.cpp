#include "pages/OutletPage.h"

namespace upsconfig {

OutletPage::OutletPage(ReportLayer& reports, QWidget* parent)
    : SettingsPage(Template(167), parent), reports_(reports) {}

void OutletPage::SetOutletNumber(int /*outlet*/) {}

void OutletPage::LoadSettings(SettingsImage /*image*/) {}

void OutletPage::StoreSettings(SettingsImage& /*image*/) {}

void OutletPage::SetFactoryDefaults() {}

void OutletPage::DisableAllControls() {}

void OutletPage::UpdateOutletControls() {}

void OutletPage::UpdateCommandButtons(int /*outletOn*/) {}

}  // namespace upsconfig
