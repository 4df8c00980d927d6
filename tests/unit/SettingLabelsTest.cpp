#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "pages/ParallelPage.h"
#include "pages/UpsPage.h"
#include "resources/DialogTemplate.h"
#include "unit/SettingMeaning.h"

namespace upsconfig {
namespace {

// What a person reads: without the default star, surrounding blanks or a trailing colon.
std::string Shown(std::string_view text) {
    if (text.starts_with('*')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == ':'))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return std::string(text);
}

// The names in the messages are the pages' own words: each label, group and list item of a
// setting stands in the page's dialog template, so the two cannot drift apart.
TEST(SettingLabelsTest, NameEverySettingAsItsPageShowsIt) {
    const std::map<EditedOn, int> templateOf = {
        {EditedOn::UpsPage, 129},     {EditedOn::DryContactPage, 130},
        {EditedOn::BatteryPage, 131}, {EditedOn::ParallelPage, 165},
        {EditedOn::Outlet1Page, 167}, {EditedOn::Outlet2Page, 167},
        {EditedOn::EcoPage, 169}};
    for (const SettingMeaning& setting : SettingMeanings()) {
        SCOPED_TRACE(SettingName(setting));
        if (setting.page == EditedOn::NoPage) continue;
        const DialogTemplate& dialog = Template(templateOf.at(setting.page));
        std::set<std::string> texts, groups;
        const ControlTemplate* control = nullptr;
        for (const ControlTemplate& c : dialog.controls) {
            texts.insert(Shown(c.text));
            if (c.kind == ControlKind::GroupBox) groups.insert(Shown(c.text));
            if (setting.controlId != 0 && c.id == setting.controlId) control = &c;
        }
        ASSERT_TRUE(setting.controlId == 0 || control != nullptr);
        if (control != nullptr && !control->text.empty()) {
            EXPECT_EQ(setting.label, Shown(control->text));
        } else {
            EXPECT_TRUE(texts.contains(std::string(setting.label)));
        }
        if (!setting.group.empty()) {
            EXPECT_TRUE(groups.contains(std::string(setting.group)));
        }
        for (std::size_t i = 0; i < setting.items.size(); ++i) {
            if (control != nullptr && !control->items.empty()) {
                ASSERT_LT(i, control->items.size());
                EXPECT_EQ(setting.items[i], Shown(control->items[i]));
            } else {
                EXPECT_TRUE(texts.contains(std::string(setting.items[i]))) << setting.items[i];
            }
        }
    }
}

// The settings the core calls standby-only are exactly those whose controls the pages lock while
// the UPS is on, so a command line refuses what the window would not let through.
TEST(SettingLabelsTest, StandbyOnlyAreTheSettingsThePagesLockWhileOnline) {
    UpsPage ups;
    ParallelPage parallel;
    ups.SetModel(3);
    ups.UpdateForUpsState(1);
    parallel.UpdateForUpsState(1);
    for (const SettingMeaning& setting : SettingMeanings()) {
        SettingsPage* page = setting.page == EditedOn::UpsPage ? static_cast<SettingsPage*>(&ups)
                             : setting.page == EditedOn::ParallelPage ? &parallel
                                                                      : nullptr;
        if (page == nullptr || setting.controlId == 0) continue;
        SCOPED_TRACE(SettingName(setting));
        EXPECT_EQ(page->Control<QWidget>(setting.controlId)->isEnabled(), !setting.standbyOnly);
    }
}

}  // namespace
}  // namespace upsconfig
