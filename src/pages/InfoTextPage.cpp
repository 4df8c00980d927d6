#include "pages/InfoTextPage.h"

namespace upsconfig {

InfoTextPage::InfoTextPage(QWidget* parent) : SettingsPage(Template(132), parent) {}

void InfoTextPage::ShowInfoText() {}

}  // namespace upsconfig
