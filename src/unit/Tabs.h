#pragma once

#include <array>
#include <bitset>
#include <string>
#include <vector>

#include "unit/SettingsImage.h"

namespace upsconfig {

// The seven pages that hold settings, in the order they are loaded and stored: UPS, dry
// contact, battery, parallel, Outlet1, Outlet2, ECO.
inline constexpr std::array<EditedOn, 7> kSettingsPages{
    EditedOn::UpsPage,     EditedOn::DryContactPage, EditedOn::BatteryPage, EditedOn::ParallelPage,
    EditedOn::Outlet1Page, EditedOn::Outlet2Page,    EditedOn::EcoPage};

// The tabs of the main window for a model code and the identification's test-info flag, in the
// order they show: UPS, Battery, Parallel (some models), Outlet1 and Outlet2 (models with
// outlet groups), ECO Mode, the test-info page (a unit that reports it), Dry Contact.
std::vector<EditedOn> TabsOf(int modelCode, bool testInfo);
bool HasTab(int modelCode, bool testInfo, EditedOn page);

// A tab's label: the page's name with a blank either side (" UPS ").
std::string TabLabel(EditedOn page);

using FieldSet = std::bitset<static_cast<std::size_t>(FieldId::Count)>;

// The fields a page edits.
FieldSet FieldsEditedOn(EditedOn page);

// The fields an Apply can change on a unit of this model: those of the settings pages it has a
// tab for. The rest (fields no page edits, pages without a tab, the model code, the report
// writer's bookkeeping) reach the unit as it holds them.
FieldSet ApplicableFields(int modelCode);

// The fields the report writer carries to a unit of this model: all of them where it takes every
// report, else only those of report 0x32.
FieldSet FieldsTheUnitTakes(int modelCode);

// The fields that the pages let change only while the UPS is in standby.
FieldSet StandbyOnlyFields();

}  // namespace upsconfig
