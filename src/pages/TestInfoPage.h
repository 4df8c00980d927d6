#pragma once

#include <cstdint>

#include "device/ReportLayer.h"
#include "pages/SettingsPage.h"
#include "resources/DialogTemplate.h"

namespace upsconfig {

class TestInfoPage : public SettingsPage {
    Q_OBJECT
  public:
    explicit TestInfoPage(ReportLayer& reports, QWidget* parent = nullptr);

    void DisableAllControls() override;
    void SetUnitReachable(bool reachable) override;

    void ShowVersions(int hardware, int powerFirmware, int monitorFirmware);
    void ShowTimeSinceStartup(std::int32_t seconds);

  private:
    ReportLayer& reports_;
};

}  // namespace upsconfig
