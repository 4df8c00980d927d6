#pragma once

#include <bitset>
#include <string>
#include <vector>

#include "unit/SettingMeaning.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// What an Apply writes: the edited image, except that every setting whose edited value is
// what storing the pages loaded with the as-read image gives (roundTrip) keeps its as-read
// value. Hidden controls and values a page cannot show (between a list's items, past a page's
// steps, outside a list) thus survive an Apply, while edits, factory defaults and uploaded
// settings still reach the unit. A 16-bit time counts as one value, so an edit never keeps a
// stale high or low byte.
SettingsImage KeepWhatWasNotChanged(const SettingsImage& asRead, const SettingsImage& edited,
                                    const SettingsImage& roundTrip);

// Whether an Apply has anything to write: a field differs between the two images, the unit's
// identity, bookkeeping and bSystemSelect aside.
bool ChangesAnySetting(const SettingsImage& edited, const SettingsImage& current);

// A written setting that the unit does not hold after the write.
struct UnheldSetting {
    const SettingMeaning* setting;
    unsigned written;
    unsigned held;
};

// The settings within the written bytes that the read-back image does not hold as written.
// The report writer's bookkeeping, the model code and the spare byte are no settings.
std::vector<UnheldSetting> FindUnheldSettings(
    const SettingsImage& written, const SettingsImage& readBack,
    const std::bitset<SettingsImage::kSize>& writtenBytes);

// "Outlet1 / Turn on delay: written 5 min, the UPS holds 0 min".
std::string DescribeUnheld(const UnheldSetting& unheld, int modelCode);

}  // namespace upsconfig
