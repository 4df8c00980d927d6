#include "app/ConfigToolApp.h"

#include "app/MainDialog.h"

namespace upsconfig {

ConfigToolApp::ConfigToolApp(HidBackend& backend, Pauser pauser, Pauser monitorPauser,
                             std::string device)
    : backend_(backend, std::move(device)), link_(backend_), reports_(link_, pauser) {
    dialog_ = std::make_unique<MainDialog>(link_, reports_, backend_, std::move(pauser),
                                           std::move(monitorPauser));
}

ConfigToolApp::~ConfigToolApp() = default;

bool ConfigToolApp::Initialise() { return dialog_->Initialise(); }

void ConfigToolApp::Exec() { dialog_->exec(); }

int ConfigToolApp::Run() {
    if (Initialise()) Exec();
    return 0;
}

}  // namespace upsconfig
