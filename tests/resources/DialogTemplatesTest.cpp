#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "resources/DialogTemplate.h"

namespace upsconfig {
namespace {

const ControlTemplate* Find(const DialogTemplate& t, int id) {
    for (const ControlTemplate& c : t.controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

TEST(DialogTemplates, EveryTemplateIsThereWithItsFrame) {
    const std::set<int> expected = {100, 102, 129, 130, 131, 132, 160, 165, 167, 169, 174};
    const auto ids = TemplateIds();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), expected);
    EXPECT_EQ(ids.size(), expected.size());
    for (int id : ids) {
        const DialogTemplate& t = Template(id);
        SCOPED_TRACE(id);
        EXPECT_EQ(t.id, id);
        EXPECT_EQ(t.fontFamily, "Arial");
        EXPECT_EQ(t.fontPointSize, 8);
        const bool topLevel = id == 100 || id == 102 || id == 160;
        EXPECT_EQ(t.child, !topLevel);
        EXPECT_EQ(t.caption.empty(), !topLevel);
        EXPECT_FALSE(t.controls.empty());
    }
    EXPECT_TRUE(Template(999).controls.empty());
}

TEST(DialogTemplates, StructureIsConsistent) {
    for (int id : TemplateIds()) {
        const DialogTemplate& t = Template(id);
        SCOPED_TRACE(id);
        std::set<int> seen;
        bool previousWasRadio = false;
        for (const ControlTemplate& c : t.controls) {
            SCOPED_TRACE(std::string(c.text) + " #" + std::to_string(c.id));
            if (c.id != kNoId) {
                EXPECT_TRUE(seen.insert(c.id).second) << "duplicate id";
            }
            EXPECT_GE(c.rect.x, 0);
            EXPECT_GE(c.rect.y, 0);
            EXPECT_LE(c.rect.x + c.rect.width, t.width);
            EXPECT_LE(c.rect.y + c.rect.height, t.height);
            // A run of radio buttons that does not open a group would join the previous one.
            if (c.kind == ControlKind::RadioButton && !previousWasRadio) {
                EXPECT_TRUE(c.style & Style::GroupStart) << "radio group without its start";
            }
            previousWasRadio = c.kind == ControlKind::RadioButton;
            if (c.kind != ControlKind::DropDownList) {
                EXPECT_TRUE(c.items.empty());
            }
            const bool picture = c.kind == ControlKind::Icon || c.kind == ControlKind::Bitmap;
            EXPECT_EQ(c.resource != 0, picture);
        }
    }
}

TEST(DialogTemplates, ListsHaveOneStarredDefault) {
    for (int id : TemplateIds()) {
        for (const ControlTemplate& c : Template(id).controls) {
            if (c.kind != ControlKind::DropDownList) continue;
            SCOPED_TRACE(std::to_string(id) + " #" + std::to_string(c.id));
            const auto stars = std::count_if(c.items.begin(), c.items.end(),
                                             [](std::string_view s) { return s.starts_with('*'); });
            // The voltage list is filled per model at run time and starts with one empty item.
            if (id == 129 && c.id == 1014) {
                ASSERT_EQ(c.items.size(), 1u);
                EXPECT_EQ(c.items[0], "");
            } else {
                EXPECT_EQ(stars, 1);
            }
        }
    }
}

TEST(DialogTemplates, ListItemsAsTheBatteryPageNeedsThem) {
    const DialogTemplate& t = Template(131);
    const auto& minutes = Find(t, 1002)->items;
    ASSERT_EQ(minutes.size(), 29u);
    EXPECT_EQ(minutes[0], "*2");
    for (std::size_t i = 1; i < minutes.size(); ++i)
        EXPECT_EQ(minutes[i], std::to_string(i + 2));
    const auto& cabinets = Find(t, 1004)->items;
    const std::string_view expected[] = {"*0", "1 ", "2 ", "3 ", "4 ", "5", "6"};
    ASSERT_EQ(cabinets.size(), std::size(expected));
    for (std::size_t i = 0; i < cabinets.size(); ++i)
        EXPECT_EQ(cabinets[i], expected[i]);
    EXPECT_EQ(Find(t, 1003)->items.size(), 5u);
    EXPECT_EQ(Find(Template(165), 1026)->items.size(), 3u);
    EXPECT_EQ(Find(Template(169), 1056)->items[1], "*10%");
}

struct Needed {
    int templateId;
    int id;
    ControlKind kind;
};

// Controls the windows look up by id; a wrong id or kind here breaks a page silently.
constexpr Needed kNeeded[] = {
    {100, 1, ControlKind::PushButton},      {102, 1000, ControlKind::TabControl},
    {102, 1011, ControlKind::PushButton},   {102, 1012, ControlKind::PushButton},
    {102, 1013, ControlKind::PushButton},   {102, 1014, ControlKind::PushButton},
    {102, 1015, ControlKind::PushButton},   {102, 1016, ControlKind::PushButton},
    {102, 1018, ControlKind::PushButton},   {160, 1011, ControlKind::PushButton},
    {160, 1012, ControlKind::PushButton},   {160, 1013, ControlKind::PushButton},
    {129, 1012, ControlKind::Edit},         {129, 1014, ControlKind::DropDownList},
    {129, 1003, ControlKind::CheckBox},     {129, 1033, ControlKind::CheckBox},
    {129, 1015, ControlKind::RadioButton},  {129, 1018, ControlKind::RadioButton},
    {129, 1019, ControlKind::CheckBox},     {129, 1010, ControlKind::CheckBox},
    {129, 1020, ControlKind::CheckBox},     {130, 1004, ControlKind::RadioButton},
    {130, 1005, ControlKind::RadioButton},  {130, 1006, ControlKind::RadioButton},
    {130, 1007, ControlKind::RadioButton},  {131, 1002, ControlKind::DropDownList},
    {131, 1003, ControlKind::DropDownList}, {131, 1004, ControlKind::DropDownList},
    {131, 1008, ControlKind::CheckBox},     {132, 1001, ControlKind::Edit},
    {165, 1026, ControlKind::DropDownList}, {165, 1027, ControlKind::DropDownList},
    {167, 1021, ControlKind::Edit},         {167, 1022, ControlKind::Edit},
    {167, 1023, ControlKind::Edit},         {167, 1024, ControlKind::Edit},
    {167, 1025, ControlKind::Edit},         {167, 1026, ControlKind::Edit},
    {167, 1027, ControlKind::Edit},         {167, 1029, ControlKind::CheckBox},
    {167, 1030, ControlKind::CheckBox},     {167, 1031, ControlKind::CheckBox},
    {167, 1032, ControlKind::CheckBox},     {167, 1045, ControlKind::CheckBox},
    {167, 1049, ControlKind::CheckBox},     {167, 1050, ControlKind::CheckBox},
    {167, 1051, ControlKind::CheckBox},     {167, 1052, ControlKind::PushButton},
    {167, 1053, ControlKind::PushButton},   {167, 1054, ControlKind::PushButton},
    {169, 1060, ControlKind::DropDownList}, {169, 1056, ControlKind::DropDownList},
    {169, 1057, ControlKind::DropDownList}, {169, 1059, ControlKind::DropDownList},
    {174, 1062, ControlKind::Edit},         {174, 1063, ControlKind::Edit},
    {174, 1064, ControlKind::Edit},         {174, 1065, ControlKind::Edit},
    {174, 1011, ControlKind::PushButton},   {174, 1012, ControlKind::PushButton},
};

TEST(DialogTemplates, ControlsThePagesNeedExistWithTheirKind) {
    for (const Needed& n : kNeeded) {
        SCOPED_TRACE(std::to_string(n.templateId) + " #" + std::to_string(n.id));
        const ControlTemplate* c = Find(Template(n.templateId), n.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, n.kind);
    }
    // Help boxes: read-only multi-line edits with border and scroll bar.
    const std::pair<int, int> helpBoxes[] = {{129, 1009}, {130, 1013}, {131, 1010},
                                             {165, 1028}, {167, 1020}, {169, 1048}};
    constexpr auto kHelpStyle = Style::ReadOnly | Style::MultiLine | Style::Border | Style::VScroll;
    for (const auto& [templateId, id] : helpBoxes) {
        const ControlTemplate* c = Find(Template(templateId), id);
        ASSERT_NE(c, nullptr) << templateId;
        EXPECT_EQ(c->kind, ControlKind::Edit);
        EXPECT_EQ(c->style & kHelpStyle, kHelpStyle) << templateId;
    }
}

TEST(DialogTemplates, StylesThatDecideBehaviour) {
    EXPECT_TRUE(Find(Template(129), 1003)->style & Style::Hidden);
    EXPECT_FALSE(Find(Template(167), 1045)->style & Style::Hidden);
    for (int id = 1015; id <= 1018; ++id) {
        EXPECT_TRUE(Find(Template(129), id)->style & Style::NoTabStop) << id;
        EXPECT_EQ((Find(Template(129), id)->style & Style::GroupStart) != 0, id == 1015) << id;
    }
    EXPECT_TRUE(Find(Template(130), 1006)->style & Style::GroupStart);
    EXPECT_FALSE(Find(Template(130), 1005)->style & Style::GroupStart);
    for (int id : {1062, 1063, 1064, 1065}) {
        EXPECT_TRUE(Find(Template(174), id)->style & Style::Disabled) << id;
    }
    EXPECT_TRUE(Find(Template(132), 1001)->style & Style::NoBorder);
}

TEST(DialogTemplates, TextsWithTrickyBlanks) {
    EXPECT_EQ(Template(102).caption, "Orvane UPS KVR8 Tool  V1.3 Version");
    EXPECT_EQ(Template(160).caption, "Communication Error");
    std::vector<std::string_view> texts;
    for (const ControlTemplate& c : Template(160).controls)
        texts.push_back(c.text);
    EXPECT_EQ(texts[3], "1. Verify the USB cable is connected securely between ");
    EXPECT_EQ(texts[6], "3. Temporarily remove the webcard  or option card ");
    EXPECT_EQ(Find(Template(102), 1015)->text, "Factory Setting");
    EXPECT_EQ(Template(131).controls[7].text, " Weeks");
    EXPECT_EQ(Template(130).controls[0].text,
              "It must be hardwired to the terminal block on the rear of the UPS. ");
    EXPECT_EQ(Template(100).controls[0].resource, 4);
    EXPECT_EQ(Template(160).controls[0].resource, 157);
    EXPECT_EQ(Template(102).controls.back().resource, 148);
}

}  // namespace
}  // namespace upsconfig
