#pragma once

#include "unit/SettingMeaning.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

// What the settings pages do with values, as data, so that the command line gets the window's
// results without the window. A test of the window proves each function equal to the pages.

// Whether the page that edits the setting can show and keep the value: an item of its list, a
// number in its edit's range. `image` gives the model and, for the parallel unit id, the number
// of units. Settings no page edits accept nothing.
bool PageAccepts(const SettingMeaning& setting, unsigned value, const SettingsImage& image);

// What the pages store for an accepted value: times in whole minutes, anything else as it is.
unsigned PageStoredValue(const SettingMeaning& setting, unsigned value);

// The image after pages loaded with `loaded` stored into `into`: the pages this model has tabs
// for, in store order; every other field as `into` holds it. A value the page cannot show
// leaves `into`'s value (a time: `into`'s in whole minutes). Storing into the loaded image
// itself is what the window's Download writes and what an Apply compares edits with.
SettingsImage PageStore(const SettingsImage& loaded, const SettingsImage& into);

// The settings a unit of this model holds from the factory: what Factory Setting puts on every
// page; fields no page edits are zero.
SettingsImage FactorySettings(int modelCode);

}  // namespace upsconfig
