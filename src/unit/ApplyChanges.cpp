#include "unit/ApplyChanges.h"

#include <algorithm>

namespace upsconfig {
namespace {

// Fields an Apply does not count as a change: the unit's own bookkeeping and identity.
constexpr FieldId kNotCompared[] = {FieldId::bSystemSelect, FieldId::bCommandFlags,
                                    FieldId::bChangedReports, FieldId::bModelCode, FieldId::bSpare};

}  // namespace

SettingsImage KeepWhatWasNotChanged(const SettingsImage& asRead, const SettingsImage& edited,
                                    const SettingsImage& roundTrip) {
    SettingsImage result = edited;
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (ValueOf(edited, setting) == ValueOf(roundTrip, setting))
            SetValue(result, setting, ValueOf(asRead, setting));
    }
    return result;
}

bool ChangesAnySetting(const SettingsImage& edited, const SettingsImage& current) {
    return std::ranges::any_of(Fields(), [&](const FieldInfo& field) {
        return std::ranges::find(kNotCompared, field.id) == std::end(kNotCompared) &&
               GetField(edited, field.id) != GetField(current, field.id);
    });
}

std::vector<UnheldSetting> FindUnheldSettings(
    const SettingsImage& written, const SettingsImage& readBack,
    const std::bitset<SettingsImage::kSize>& writtenBytes) {
    std::vector<UnheldSetting> unheld;
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (!writtenBytes[Field(setting.field).byte]) continue;
        const unsigned sent = ValueOf(written, setting);
        const unsigned held = ValueOf(readBack, setting);
        if (sent != held) unheld.push_back({&setting, sent, held});
    }
    return unheld;
}

std::string DescribeUnheld(const UnheldSetting& unheld, int modelCode) {
    return SettingName(*unheld.setting) + ": written " +
           ValueText(*unheld.setting, unheld.written, modelCode) + ", the UPS holds " +
           ValueText(*unheld.setting, unheld.held, modelCode);
}

}  // namespace upsconfig
