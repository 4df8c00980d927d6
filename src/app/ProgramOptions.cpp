#include "app/ProgramOptions.h"

#include <cstdio>

#include "device/Diagnosis.h"
#include "device/HidLink.h"

namespace upsconfig {
namespace {

constexpr int kUsageError = 2;

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace

std::string VersionLine(std::string_view program) {
    return std::string(program) + " " + UPSCONFIG_VERSION + " (units " +
           IdsText(kUpsVendorId, kUpsProductId) + ")";
}

std::optional<int> AnswerHelpOrVersion(int argc, char** argv, std::string_view program,
                                       std::string_view usage) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h") {
            Print(stdout, usage);
            return 0;
        }
        if (argument == "--version") {
            Print(stdout, VersionLine(program) + "\n");
            return 0;
        }
    }
    return std::nullopt;
}

int RefuseCommandLine(std::string_view program, std::string_view problem, std::string_view usage) {
    Print(stderr, std::string(program) + ": " + std::string(problem) + "\n");
    Print(stderr, usage);
    return kUsageError;
}

}  // namespace upsconfig
