#include <QApplication>
#include <string>

#include "app/ConfigToolApp.h"
#include "app/ProgramOptions.h"
#include "device/SystemHidBackend.h"
#include "framework/UiPauser.h"

namespace {

constexpr char kUsage[] =
    "Usage: upsconfig [--help] [--version]\n"
    "\n"
    "Configures a UPS unit of the family on USB: its settings, outlets and battery test.\n"
    "\n"
    "  -h, --help  show this help and exit\n"
    "  --version   show the version and the unit ids it is built for, then exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are accepted too.\n";

}  // namespace

// The tool on a real unit. Its command line holds nothing but the answers above and Qt's options.
int main(int argc, char** argv) {
    if (auto done = upsconfig::AnswerHelpOrVersion(argc, argv, "upsconfig", kUsage)) return *done;
    QApplication application(argc, argv);  // takes Qt's options out of argv
    if (argc > 1)
        return upsconfig::RefuseCommandLine("upsconfig", std::string("unknown option ") + argv[1],
                                            kUsage);
    upsconfig::SystemHidBackend backend;  // hidapi is initialised here, on the main thread
    upsconfig::ConfigToolApp tool(backend, upsconfig::UiPauser::Make());
    return tool.Run();
}
