// The verbs that tell the settings: show (what the unit holds) and describe (what each setting
// is and takes).
#include <algorithm>
#include <ostream>
#include <set>
#include <vector>

#include "cli/Command.h"
#include "cli/ExitCodes.h"
#include "cli/ModelText.h"
#include "cli/Verbs.h"
#include "unit/ApplyPlan.h"
#include "unit/OfferedValues.h"
#include "unit/PageValues.h"
#include "unit/Tabs.h"

namespace upsconfig {
namespace {

namespace ec = exit_code;

struct PageGroup {
    std::string name;
    std::vector<const SettingMeaning*> settings;
};

// The settings named after the verb, or without names those of the model's pages (with
// onlyShown, less those a page of this model hides); by page, in the order of the model's tabs,
// then any other page a named setting is on.
std::vector<PageGroup> Selection(const Command& command, bool onlyShown) {
    const int model = command.Model();
    std::set<const SettingMeaning*> named;
    for (std::size_t i = 1; i < command.Words(); ++i)
        named.insert(FindSetting(command.Word(i)));
    std::vector<EditedOn> pages = TabsOf(model, false);
    const auto wanted = [&](const SettingMeaning& s) {
        if (!named.empty()) return named.contains(&s);
        return std::ranges::find(pages, s.page) != pages.end() &&
               !(onlyShown && NotOnThePages(s, model));
    };
    for (const SettingMeaning& s : SettingMeanings())
        if (wanted(s) && std::ranges::find(pages, s.page) == pages.end()) pages.push_back(s.page);
    std::vector<PageGroup> groups;
    for (const EditedOn page : pages) {
        PageGroup group;
        for (const SettingMeaning& s : SettingMeanings())
            if (s.page == page && wanted(s)) group.settings.push_back(&s);
        if (group.settings.empty()) continue;
        group.name = GroupName(*group.settings.front());
        groups.push_back(std::move(group));
    }
    return groups;
}

struct ShowResult {
    int model;
    const SettingsImage& image;
    std::vector<PageGroup> groups;

    void Text(std::ostream& out) const {
        out << "Model " << ModelText(model) << "\n";
        for (const PageGroup& group : groups) {
            out << "\n[" << group.name << "]\n";
            for (const SettingMeaning* s : group.settings) {
                const unsigned raw = ValueOf(image, *s);
                out << SettingKey(*s) << " = " << raw << " (" << ValueText(*s, raw, model) << ")"
                    << (s->standbyOnly ? "  [standby only]" : "") << "\n";
            }
        }
    }
    void ToJson(Json& json) const {
        Json list = Json::array();
        for (const PageGroup& group : groups) {
            Json settings = Json::array();
            for (const SettingMeaning* s : group.settings) {
                const unsigned raw = ValueOf(image, *s);
                settings.push_back({{"key", SettingKey(*s)},
                                    {"raw", raw},
                                    {"meaning", ValueText(*s, raw, model)},
                                    {"standby_only", s->standbyOnly}});
            }
            list.push_back({{"name", group.name}, {"settings", std::move(settings)}});
        }
        json["model"] = ModelJson(model);
        json["groups"] = std::move(list);
    }
};

// One setting as describe tells it.
struct Description {
    const SettingMeaning* setting;
    Offered offered;
    unsigned factory;
    std::optional<std::string> unavailable;  // why no page of this model offers it
};

struct DescribeResult {
    int model;
    std::vector<Description> settings;

    static std::string RawText(unsigned raw, const std::string& text) {
        return text + " (raw " + std::to_string(raw) + ")";
    }

    void Text(std::ostream& out) const {
        out << "Model " << ModelText(model) << "\n";
        for (const Description& d : settings) {
            const SettingMeaning& s = *d.setting;
            out << "\n"
                << SettingKey(s) << ": " << SettingName(s)
                << (s.standbyOnly ? "  [standby only]" : "") << "\n";
            if (d.unavailable) {
                out << "  not offered: " << *d.unavailable << "\n";
            } else if (const auto& range = d.offered.range) {
                out << "  range:   " << range->min << " to " << range->max;
                if (!s.unit.empty()) out << " " << s.unit;
                if (range->step != 1) out << ", in steps of " << range->step;
                out << "\n";
            } else {
                out << "  values:  ";
                for (const OfferedValue& v : d.offered.values)
                    out << (&v == &d.offered.values.front() ? "" : "\n           ")
                        << RawText(v.raw, v.text);
                out << "\n";
            }
            out << "  factory: " << RawText(d.factory, ValueText(s, d.factory, model)) << "\n";
        }
    }

    Json SettingJson(const Description& d) const {
        const SettingMeaning& s = *d.setting;
        Json values;
        Json range;
        if (d.offered.range) {
            range = {{"min", d.offered.range->min},
                     {"max", d.offered.range->max},
                     {"step", d.offered.range->step}};
        } else if (!d.unavailable) {
            values = Json::array();
            for (const OfferedValue& v : d.offered.values)
                values.push_back({{"value", v.text}, {"raw", v.raw}});
        }
        return {{"key", SettingKey(s)},
                {"group", GroupName(s)},
                {"section", TextOrNull(std::string(s.group))},
                {"label", std::string(s.label)},
                {"unit", TextOrNull(std::string(s.unit))},
                {"values", std::move(values)},
                {"range", std::move(range)},
                {"factory", {{"raw", d.factory}, {"meaning", ValueText(s, d.factory, model)}}},
                {"standby_only", s.standbyOnly},
                {"unavailable", d.unavailable ? Json(*d.unavailable) : Json()}};
    }

    void ToJson(Json& json) const {
        Json list = Json::array();
        for (const Description& d : settings)
            list.push_back(SettingJson(d));
        json["model"] = ModelJson(model);
        json["settings"] = std::move(list);
    }
};

}  // namespace

namespace verbs {

int Show(Command& command) {
    command.Render(ShowResult{command.Model(), command.AsRead(), Selection(command, false)});
    return ec::kDone;
}

int Describe(Command& command) {
    const int model = command.Model();
    const SettingsImage factory = FactorySettings(model);
    DescribeResult result{model, {}};
    for (const PageGroup& group : Selection(command, true))
        for (const SettingMeaning* s : group.settings)
            result.settings.push_back({s, OfferedValues(*s, command.AsRead()), ValueOf(factory, *s),
                                       NotOnThePages(*s, model)});
    command.Render(result);
    return ec::kDone;
}

}  // namespace verbs
}  // namespace upsconfig
