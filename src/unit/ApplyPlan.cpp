#include "unit/ApplyPlan.h"

#include <algorithm>

#include "unit/ApplyChanges.h"
#include "unit/ModelTable.h"
#include "unit/OfferedValues.h"
#include "unit/PageValues.h"
#include "unit/Tabs.h"

namespace upsconfig {
namespace {

int ModelOf(const SettingsImage& image) {
    return static_cast<int>(GetField(image, FieldId::bModelCode));
}

void ListChanges(ApplyPlan& plan, const SettingsImage& asRead) {
    for (const SettingMeaning& setting : SettingMeanings()) {
        const unsigned from = ValueOf(asRead, setting);
        const unsigned to = ValueOf(plan.write, setting);
        if (from != to) plan.changes.push_back({&setting, from, to});
    }
}

// A unit that takes report 0x32 alone never gets the others: their changes are listed as
// ignored and the write keeps what the unit holds. Model code 0 is no unit (two files compared).
void LeaveWhatTheUnitDoesNotTake(ApplyPlan& plan, const SettingsImage& asRead) {
    const int model = ModelOf(asRead);
    if (model == 0) return;
    const FieldSet taken = FieldsTheUnitTakes(model);
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (taken[static_cast<std::size_t>(setting.field)]) continue;
        const unsigned wanted = ValueOf(plan.write, setting);
        const unsigned held = ValueOf(asRead, setting);
        if (wanted == held) continue;
        plan.ignored.push_back({&setting, wanted,
                                "a unit of this model takes only the UPS page's report (0x32), "
                                "which does not carry it",
                                IgnoredBy::Unit});
        SetValue(plan.write, setting, held);
    }
}

bool Listed(const std::vector<IgnoredValue>& ignored, const SettingMeaning& setting) {
    return std::ranges::any_of(ignored,
                               [&](const IgnoredValue& i) { return i.setting == &setting; });
}

std::string WhyNotWritten(const SettingMeaning& setting, unsigned value,
                          const SettingsImage& asRead, const SettingsImage& written) {
    const int model = ModelOf(asRead);
    if (const auto reason = NotOnThePages(setting, model)) return *reason;
    if (!PageAccepts(setting, value, asRead))
        return "the page does not offer it (" + OfferedText(setting, asRead) + ")";
    const unsigned stored = PageStoredValue(setting, value);
    const unsigned kept = ValueOf(written, setting);
    if (stored != kept)
        return "the page shows the unit's " + ValueText(setting, kept, model) +
               " the same way, so it stays";
    return "the page takes whole minutes: " + ValueText(setting, stored, model) + " is written";
}

}  // namespace

bool ApplyPlan::NeedsStandby() const {
    return std::ranges::any_of(changes,
                               [](const SettingChange& c) { return c.setting->standbyOnly; });
}

std::string ApplyPlan::ChangedKeys() const {
    std::string keys;
    for (const SettingChange& c : changes) {
        if (!keys.empty()) keys += ' ';
        keys += SettingKey(*c.setting);
    }
    return keys;
}

ApplyPlan PlanApply(const SettingsImage& asRead, const SettingsImage& edited) {
    ApplyPlan plan;
    const SettingsImage merged = KeepWhatWasNotChanged(asRead, edited, PageStore(asRead, asRead));
    plan.write = asRead;
    if (ChangesAnySetting(merged, asRead)) plan.write = merged;
    LeaveWhatTheUnitDoesNotTake(plan, asRead);
    ListChanges(plan, asRead);
    return plan;
}

ApplyPlan PlanWanted(const SettingsImage& asRead, const SettingsImage& wanted) {
    ApplyPlan plan = PlanApply(asRead, PageStore(wanted, asRead));
    for (const SettingMeaning& setting : SettingMeanings()) {
        const unsigned value = ValueOf(wanted, setting);
        if (value == ValueOf(asRead, setting) || value == ValueOf(plan.write, setting) ||
            Listed(plan.ignored, setting))
            continue;
        plan.ignored.push_back(
            {&setting, value, WhyNotWritten(setting, value, asRead, plan.write)});
    }
    return plan;
}

ApplyPlan PlanExact(const SettingsImage& asRead, const SettingsImage& wanted) {
    ApplyPlan plan;
    plan.write = asRead;
    for (const SettingMeaning& setting : SettingMeanings())
        SetValue(plan.write, setting, ValueOf(wanted, setting));
    LeaveWhatTheUnitDoesNotTake(plan, asRead);
    ListChanges(plan, asRead);
    return plan;
}

std::string DescribeChange(const SettingChange& change, int modelCode) {
    return SettingName(*change.setting) + ": " +
           ValueText(*change.setting, change.from, modelCode) + " -> " +
           ValueText(*change.setting, change.to, modelCode);
}

ApplyPlan PlanOnTopOf(const SettingsImage& asRead, const ApplyPlan& earlier) {
    SettingsImage wanted = asRead;
    for (const SettingChange& change : earlier.changes)
        SetValue(wanted, *change.setting, change.to);
    ApplyPlan plan = PlanExact(asRead, wanted);
    for (const IgnoredValue& ignored : earlier.ignored)
        if (!Listed(plan.ignored, *ignored.setting)) plan.ignored.push_back(ignored);
    return plan;
}

std::string SettingKey(const SettingMeaning& setting) {
    const std::string_view name = Field(setting.field).name;
    const std::size_t high = name.find("_H_");
    if (!setting.word || high == std::string_view::npos) return std::string(name);
    return std::string(name.substr(0, high)).append(name.substr(high + 2));
}

const SettingMeaning* FindSetting(std::string_view key) {
    const std::string wanted = Folded(key);
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (Folded(SettingKey(setting)) == wanted) return &setting;
    }
    for (const FieldInfo& field : Fields()) {
        if (Folded(field.name) == wanted) return MeaningOf(field.id);
    }
    return nullptr;
}

}  // namespace upsconfig
