#include "unit/Tabs.h"

#include <algorithm>

#include "unit/ModelTable.h"
#include "unit/SettingMeaning.h"

namespace upsconfig {
namespace {

using E = EditedOn;

void Set(FieldSet& set, FieldId field) { set.set(static_cast<std::size_t>(field)); }

}  // namespace

std::vector<EditedOn> TabsOf(int modelCode, bool testInfo) {
    std::vector<EditedOn> tabs{E::UpsPage, E::BatteryPage};
    if (ModelTable::HasParallelTab(modelCode)) tabs.push_back(E::ParallelPage);
    if (ModelTable::HasOutletTabs(modelCode))
        tabs.insert(tabs.end(), {E::Outlet1Page, E::Outlet2Page});
    tabs.push_back(E::EcoPage);
    if (testInfo) tabs.push_back(E::TestInfoPage);
    tabs.push_back(E::DryContactPage);
    return tabs;
}

bool HasTab(int modelCode, bool testInfo, EditedOn page) {
    const std::vector<EditedOn> tabs = TabsOf(modelCode, testInfo);
    return std::find(tabs.begin(), tabs.end(), page) != tabs.end();
}

std::string TabLabel(EditedOn page) {
    std::string label(" ");
    label.append(PageName(page)).append(" ");
    return label;
}

FieldSet FieldsEditedOn(EditedOn page) {
    FieldSet fields;
    for (const FieldInfo& field : Fields()) {
        if (field.editedOn == page) Set(fields, field.id);
    }
    return fields;
}

FieldSet ApplicableFields(int modelCode) {
    FieldSet fields;
    for (const EditedOn page : kSettingsPages) {
        if (HasTab(modelCode, false, page)) fields |= FieldsEditedOn(page);
    }
    return fields;
}

FieldSet FieldsTheUnitTakes(int modelCode) {
    FieldSet fields;
    for (const FieldInfo& field : Fields()) {
        if (ModelTable::TakesEveryReport(modelCode) || field.byte < kBytesOfReport0x32)
            Set(fields, field.id);
    }
    return fields;
}

FieldSet StandbyOnlyFields() {
    FieldSet fields;
    for (const SettingMeaning& setting : SettingMeanings()) {
        if (!setting.standbyOnly) continue;
        Set(fields, setting.field);
        if (setting.word) Set(fields, static_cast<FieldId>(static_cast<int>(setting.field) + 1));
    }
    return fields;
}

}  // namespace upsconfig
