#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "cli/Cli.h"
#include "device/SystemHidBackend.h"
#include "platform/Platform.h"

// upsconfig-cli: the real world around RunCli.
int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    upsconfig::platform::KeepOutputBytes();  // an exported settings file keeps its CR LF
    upsconfig::CliEnvironment environment{
        .in = std::cin,
        .out = std::cout,
        .err = std::cerr,
        .stdinIsTerminal = upsconfig::platform::IsTerminal(upsconfig::platform::Stream::Input),
        .stderrIsTerminal = upsconfig::platform::IsTerminal(upsconfig::platform::Stream::Error),
        .variable = upsconfig::ProcessVariable,
        .userId = upsconfig::platform::UserId(),
        .clock = upsconfig::SystemLocalTime,
        .pauser = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); },
        .realBackend = [] { return std::make_shared<upsconfig::SystemHidBackend>(); },
        .host = upsconfig::HostView::OfThisMachine(),
    };
    return upsconfig::RunCli(args, environment);
}
