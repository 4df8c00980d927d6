#pragma once

#include <string>

#include "cli/Json.h"
#include "unit/SettingMeaning.h"

namespace upsconfig {

// "3 (KVR8-3000-120)", or the bare code of a model without a name.
std::string ModelText(int code);
// {"code", "name"}
Json ModelJson(int code);
// The page a setting is on; for settings no page shows "no page".
std::string GroupName(const SettingMeaning& setting);

}  // namespace upsconfig
