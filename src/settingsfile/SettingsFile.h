#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "unit/SettingsImage.h"

namespace upsconfig {

// Local date and time of writing; injectable so tests get a fixed time line.
using LocalClock = std::function<std::tm()>;
std::tm SystemLocalTime();

// The 64 file keys in the order the writer emits them and the reader tests them.
std::span<const FieldId> SettingsFileKeys();

struct WriteResult {
    bool ok = false;
    int errorNumber = 0;  // errno of the failing step
    std::string reason;   // strerror-style text, empty on success
    explicit operator bool() const { return ok; }
};

// Writes the 71-line CRLF settings file. The text goes to a temporary file beside the target
// that replaces the target only once it is complete, so a failure leaves any previous file as it
// was and no partial file behind.
WriteResult WriteSettingsFile(const std::filesystem::path& path, const SettingsImage& image,
                              const LocalClock& clock = SystemLocalTime);

// The exact bytes WriteSettingsFile puts into the file.
std::string FormatSettingsFile(const SettingsImage& image, const std::tm& time);

// Real settings files are about 3 KB; anything far larger is no settings file and would only
// keep the window busy.
inline constexpr std::size_t kMaxSettingsFileBytes = std::size_t{1} << 20;

struct ReadResult {
    bool opened = false;  // false also when the file was refused or reading broke off
    int keysFound = 0;    // distinct keys that set a field (0 to 64)
    std::string reason;   // strerror-style text when !opened
};

// Every key found in the file replaces its field in the image; all other bits stay as handed in.
// Only regular files up to kMaxSettingsFileBytes are read (a pipe or device is refused without
// waiting on it); a refused file leaves the image as it was. Linear in the file's size.
ReadResult ReadSettingsFile(const std::filesystem::path& path, SettingsImage& image);

// The reading of ReadSettingsFile on text already in memory; returns the distinct keys found.
int ApplySettingsText(std::string_view text, SettingsImage& image);

}  // namespace upsconfig
