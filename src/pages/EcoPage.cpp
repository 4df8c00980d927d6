#include "pages/EcoPage.h"

#include <QComboBox>
#include <array>

#include "resources/Ids.h"

namespace upsconfig {

namespace {

using namespace ids::eco;

constexpr int kHoverMargin = 3;

// Each list's selected position is its field's value.
struct EcoList {
    int controlId;
    FieldId field;
    int factoryPosition;  // the starred item
};
constexpr std::array<EcoList, 4> kLists = {{
    {kMode, FieldId::bECOMode, 0},                           // "*Off"
    {kVoltageTolerance, FieldId::bECO_Vol_Tol, 1},           // "*10%"
    {kFrequencyTolerance, FieldId::bECO_Freq_Tol, 2},        // "*3Hz"
    {kRequalification, FieldId::bECO_Requlify_Interval, 0},  // "*5min"
}};

// These two have no string-table entry; the page holds them itself. Both tolerances share the
// first.
constexpr std::string_view kToleranceHelp =
    "If the UPS is in ECO mode,the bypass meet the ECO Voltage and Frequency range,the UPS will "
    "start the requalification timer and switch to bypass when it completes.If the bypass is not "
    "meeting the requirement, the UPS will immediately transfer to inverter.";
constexpr std::string_view kRequalificationHelp =
    "Requalification time will be used when ECO Mode is enabled and the input voltage or "
    "frequency goes out of tolerance and the UPS transfers to Inverter. Once the utility returns "
    "to within tolerance levels, the UPS will wait the set requalification time and verify the "
    "utility did not go out of tolerance during this time before transferring back to Bypass.";

constexpr HelpRow kHelpRows[] = {
    {kMode, ids::text::kEcoModeHelp},
    {kVoltageTolerance, 0, kToleranceHelp},
    {kFrequencyTolerance, 0, kToleranceHelp},
    {kRequalification, 0, kRequalificationHelp},
};

}  // namespace

EcoPage::EcoPage(QWidget* parent) : SettingsPage(Template(ids::dialog::kEcoPage), parent) {
    SetHelp(kHelp, kHelpRows, kHoverMargin);
}

void EcoPage::LoadSettings(SettingsImage image) {
    for (const EcoList& list : kLists) {
        QComboBox* combo = Control<QComboBox>(list.controlId);
        const int value = static_cast<int>(GetField(image, list.field));
        // A value without an item (bECOMode 2, a tolerance of 3 ...) shows no selection.
        combo->setCurrentIndex(value < combo->count() ? value : -1);
    }
}

bool EcoPage::StoreSettings(SettingsImage& image) {
    for (const EcoList& list : kLists) {
        // Without a selection the field keeps the unit's value rather than a made-up one.
        const int position = Control<QComboBox>(list.controlId)->currentIndex();
        if (position >= 0) SetField(image, list.field, static_cast<unsigned>(position));
    }
    return true;
}

void EcoPage::SetFactoryDefaults() {
    for (const EcoList& list : kLists)
        Control<QComboBox>(list.controlId)->setCurrentIndex(list.factoryPosition);
}

void EcoPage::DisableAllControls() {
    for (const EcoList& list : kLists)
        Control<QWidget>(list.controlId)->setEnabled(false);
}

}  // namespace upsconfig
