#include <QApplication>
#include <string>
#include <string_view>

#include "app/ConfigToolApp.h"
#include "app/ProgramOptions.h"
#include "device/SystemHidBackend.h"
#include "framework/UiPauser.h"

namespace {

constexpr char kUsage[] =
    "Usage: upsconfig [--device PATH|SERIAL] [--help] [--version]\n"
    "\n"
    "Configures a UPS unit of the family on USB: its settings, outlets and battery test.\n"
    "With several units connected it asks which one, unless --device names it.\n"
    "\n"
    "  --device PATH|SERIAL  the unit by its node (/dev/hidraw3) or its serial number, as\n"
    "                        'upsconfig-cli list' shows them\n"
    "  -h, --help            show this help and exit\n"
    "  --version             show the version and the unit ids it is built for, then exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are accepted too.\n";

}  // namespace

// The tool on a real unit. Its command line holds --device, the answers above and Qt's options.
int main(int argc, char** argv) {
    if (auto done = upsconfig::AnswerHelpOrVersion(argc, argv, "upsconfig", kUsage)) return *done;
    QApplication application(argc, argv);  // takes Qt's options out of argv
    std::string device;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--device" && i + 1 < argc) {
            device = argv[++i];
        } else if (argument.starts_with("--device=")) {
            device = argument.substr(std::string_view("--device=").size());
        } else {
            return upsconfig::RefuseCommandLine("upsconfig",
                                                argument == "--device"
                                                    ? "--device takes a path or a serial"
                                                    : "unknown option " + std::string(argument),
                                                kUsage);
        }
    }
    upsconfig::SystemHidBackend backend;  // hidapi is initialised here, on the main thread
    upsconfig::ConfigToolApp tool(backend, upsconfig::UiPauser::Make(), {}, device);
    return tool.Run();
}
