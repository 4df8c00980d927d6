#include <unistd.h>

#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "cli/Cli.h"
#include "device/HidapiBackend.h"

// upsconfig-cli: the real world around RunCli.
int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    upsconfig::CliEnvironment environment{
        .in = std::cin,
        .out = std::cout,
        .err = std::cerr,
        .stdinIsTerminal = ::isatty(STDIN_FILENO) == 1,
        .stderrIsTerminal = ::isatty(STDERR_FILENO) == 1,
        .variable = upsconfig::ProcessVariable,
        .userId = static_cast<unsigned>(::getuid()),
        .clock = upsconfig::SystemLocalTime,
        .pauser = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); },
        .realBackend = [] { return std::make_shared<upsconfig::HidapiBackend>(); },
        .host = upsconfig::HostView::OfThisMachine(),
    };
    return upsconfig::RunCli(args, environment);
}
