#include "unit/OfferedValues.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "unit/ModelTable.h"
#include "unit/PageValues.h"
#include "unit/Tabs.h"

namespace upsconfig {
namespace {

using K = ValueKind;

int ModelOf(const SettingsImage& image) {
    return static_cast<int>(GetField(image, FieldId::bModelCode));
}

unsigned HighestValue(const SettingMeaning& setting) {
    return setting.word ? 0xFFFFu : (1u << Field(setting.field).width) - 1u;
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Digits, or digits around slashes as in a split-phase voltage ("120/208").
bool IsNumber(std::string_view text) {
    return !text.empty() && IsDigit(text.front()) && IsDigit(text.back()) &&
           std::ranges::all_of(text, [](char c) { return IsDigit(c) || c == '/'; });
}

// The number of a shown text followed by its unit ("120v": "120", "8weeks": "8"); empty for words
// and for texts with a second number ("1min30s").
std::string_view NumberPart(std::string_view shown) {
    while (!shown.empty() && !IsDigit(shown.back()))
        shown.remove_suffix(1);
    return IsNumber(shown) ? shown : std::string_view();
}

std::optional<unsigned> Unsigned(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

}  // namespace

std::string Folded(std::string_view text) {
    std::string folded;
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            folded.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return folded;
}

std::optional<std::string> NotOnThePages(const SettingMeaning& setting, int modelCode) {
    if (setting.page == EditedOn::NoPage) return "no page edits it";
    if (!ApplicableFields(modelCode)[static_cast<std::size_t>(setting.field)])
        return "this model has no " + std::string(PageName(setting.page)) + " tab";
    if (setting.field == FieldId::bReverseDect && !ModelTable::ShowsReverseDetection(modelCode))
        return "the UPS page does not show it for this model";
    return std::nullopt;
}

Offered OfferedValues(const SettingMeaning& setting, const SettingsImage& image) {
    const int model = ModelOf(image);
    Offered offered;
    if (NotOnThePages(setting, model)) return offered;
    for (unsigned value = 0; value <= HighestValue(setting); ++value)
        if (PageAccepts(setting, value, image) && PageStoredValue(setting, value) == value)
            offered.values.push_back({value, ValueText(setting, value, model)});
    if (setting.kind == K::Check || setting.kind == K::InverseCheck)
        std::stable_partition(offered.values.begin(), offered.values.end(),
                              [](const OfferedValue& v) { return v.text == "On"; });
    const bool typed =
        setting.kind == K::Number || setting.kind == K::Seconds || setting.kind == K::Percent;
    if (typed && !offered.values.empty()) {
        const auto number = [](const OfferedValue& v) {
            return Unsigned(NumberPart(Folded(v.text))).value_or(0);
        };
        const unsigned first = number(offered.values.front());
        const unsigned step = offered.values.size() > 1 ? number(offered.values[1]) - first : 1;
        offered.range = NumberRange{first, number(offered.values.back()), step};
    }
    return offered;
}

std::string OfferedText(const SettingMeaning& setting, const SettingsImage& image) {
    const Offered offered = OfferedValues(setting, image);
    if (offered.values.empty()) return "no page of this model offers it";
    if (offered.range)
        return "from " + offered.values.front().text + " to " + offered.values.back().text;
    std::string text = "one of: ";
    for (const OfferedValue& value : offered.values)
        text.append(&value == &offered.values.front() ? "" : ", ").append(value.text);
    return text;
}

std::optional<unsigned> ReadSettingValue(const SettingMeaning& setting, std::string_view text,
                                         const SettingsImage& image) {
    const std::string folded = Folded(text);
    if (folded.starts_with("raw:")) {
        const std::optional<unsigned> raw = Unsigned(std::string_view(folded).substr(4));
        return raw && *raw <= HighestValue(setting) ? raw : std::nullopt;
    }
    const std::vector<OfferedValue> values = OfferedValues(setting, image).values;
    const auto find = [&](auto&& matches) -> std::optional<unsigned> {
        const auto found = std::ranges::find_if(
            values, [&](const OfferedValue& v) { return matches(Folded(v.text)); });
        return found == values.end() ? std::nullopt : std::optional(found->raw);
    };
    if (const auto meaning = find([&](const std::string& shown) { return shown == folded; }))
        return meaning;
    if (!IsNumber(folded)) return std::nullopt;
    if (const auto number =
            find([&](const std::string& shown) { return NumberPart(shown) == folded; }))
        return number;
    if (folded != "1" && folded != "0") return std::nullopt;
    // A box, or a list of Off and On: 1 is On and 0 is Off, whatever the raw code.
    return find([&](const std::string& shown) { return shown == (folded == "1" ? "on" : "off"); });
}

std::string TypedForm(const OfferedValue& value) {
    const std::string folded = Folded(value.text);
    const std::string_view number = NumberPart(folded);
    return number.empty() ? value.text : std::string(number);
}

}  // namespace upsconfig
