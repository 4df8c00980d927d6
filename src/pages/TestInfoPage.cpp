#include "pages/TestInfoPage.h"

namespace upsconfig {

TestInfoPage::TestInfoPage(ReportLayer& reports, QWidget* parent)
    : SettingsPage(Template(174), parent), reports_(reports) {}

void TestInfoPage::DisableAllControls() {}

void TestInfoPage::ShowVersions(int /*hardware*/, int /*powerFirmware*/, int /*monitorFirmware*/) {}

void TestInfoPage::ShowTimeSinceStartup(std::int32_t /*seconds*/) {}

}  // namespace upsconfig
