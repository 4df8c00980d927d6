#include "pages/ParallelPage.h"

namespace upsconfig {

ParallelPage::ParallelPage(QWidget* parent) : SettingsPage(Template(165), parent) {}

void ParallelPage::FillUnitIdList(int /*n*/) {}

void ParallelPage::LoadSettings(SettingsImage /*image*/) {}

void ParallelPage::StoreSettings(SettingsImage& /*image*/) {}

void ParallelPage::SetFactoryDefaults() {}

void ParallelPage::DisableAllControls() {}

void ParallelPage::UpdateForUpsState(int /*upsOn*/) {}

}  // namespace upsconfig
