#include <cstdlib>

#include "platform/Platform.h"

namespace upsconfig::platform {
namespace {

std::optional<std::filesystem::path> Absolute(const std::optional<std::string>& path) {
    if (!path || !std::filesystem::path(*path).is_absolute()) return std::nullopt;
    return std::filesystem::path(*path);
}

}  // namespace

std::optional<std::string> ProcessVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

std::optional<std::filesystem::path> DataHome(const VariableLookup& variable, System system) {
    if (system == System::Windows) return Absolute(variable("LOCALAPPDATA"));
    if (const auto data = Absolute(variable("XDG_DATA_HOME"))) return data;
    if (const auto home = Absolute(variable("HOME"))) return *home / ".local" / "share";
    return std::nullopt;
}

const char* WhyNoDataHome(System system) {
    return system == System::Windows ? "LOCALAPPDATA is not an absolute path"
                                     : "neither XDG_DATA_HOME nor HOME is an absolute path";
}

}  // namespace upsconfig::platform
