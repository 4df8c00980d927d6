#include <QApplication>

#include "app/ConfigToolApp.h"
#include "device/HidapiBackend.h"
#include "framework/UiPauser.h"

// The tool on a real unit. It takes nothing from its command line.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    upsconfig::HidapiBackend backend;  // initialises hidapi, on this (the main) thread
    upsconfig::ConfigToolApp tool(backend, upsconfig::UiPauser::Make());
    return tool.Run();
}
