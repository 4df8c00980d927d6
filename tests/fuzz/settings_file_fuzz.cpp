// Any text read as a settings file, written again and read again gives the same file, byte
// for byte, and the same fields.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "settingsfile/SettingsFile.h"

using namespace upsconfig;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxSettingsFileBytes) return 0;  // the reader refuses such files
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SettingsImage first;
    ApplySettingsText(text, first);

    const std::tm time{};
    const std::string written = FormatSettingsFile(first, time);
    SettingsImage second;
    if (ApplySettingsText(written, second) != 64) std::abort();
    if (FormatSettingsFile(second, time) != written) std::abort();
    for (const FieldInfo& field : Fields()) {
        if (field.inSettingsFile && GetField(first, field.id) != GetField(second, field.id))
            std::abort();
    }
    return 0;
}
