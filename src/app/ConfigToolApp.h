#pragma once

#include <memory>
#include <string>

#include "device/HidBackend.h"
#include "device/HidLink.h"
#include "device/InterfaceSelection.h"
#include "device/Pauser.h"
#include "device/ReportLayer.h"

namespace upsconfig {

class MainDialog;

// The application object: the one link on the given backend, the report layer and the main
// window. The program and the demo differ only in the backend and the pauser they hand in; a
// QApplication must exist first.
class ConfigToolApp {
  public:
    // monitorPauser takes the status monitor's waits; empty = the monitor's own, which Exit cuts
    // short. device names the unit
    // by path or serial as --device does; empty: the window asks when it finds several.
    ConfigToolApp(HidBackend& backend, Pauser pauser, Pauser monitorPauser = {},
                  std::string device = {});
    ~ConfigToolApp();
    ConfigToolApp(const ConfigToolApp&) = delete;
    ConfigToolApp& operator=(const ConfigToolApp&) = delete;

    // Start-up up to the ready main window; false when the user chose Cancel at the first
    // contact, and the program ends without the window.
    bool Initialise();
    // Runs the main window modally until Exit, the close box or a language upload ends it.
    void Exec();
    // Initialise and Exec; the program's exit code.
    int Run();

    ReportLayer& Reports() { return reports_; }
    MainDialog& Dialog() { return *dialog_; }

  private:
    SelectedBackend backend_;
    HidLink link_;
    ReportLayer reports_;
    std::unique_ptr<MainDialog> dialog_;
};

}  // namespace upsconfig
