#include "pages/DryContactPage.h"

#include <QRadioButton>
#include <array>

#include "resources/QtText.h"
#include "resources/StringTable.h"
#include "unit/ModelTable.h"

namespace upsconfig {

namespace {

constexpr int kManualRestart = 1004;   // bShutDownAction 0
constexpr int kAutoEnable = 1005;      // bShutDownAction 1
constexpr int kNormallyOpen = 1006;    // bShutDownLogic 1
constexpr int kNormallyClosed = 1007;  // bShutDownLogic 0
constexpr int kHelpBox = 1013;
constexpr int kHoverMargin = 3;

// Help in test order: control, text naming pins 1 and 2, text naming pins 5 and 6.
struct HelpRow {
    int controlId;
    int pins1And2;
    int pins5And6;
};
constexpr std::array<HelpRow, 4> kHelp = {{{kManualRestart, 114, 140},
                                           {kAutoEnable, 115, 141},
                                           {kNormallyOpen, 116, 142},
                                           {kNormallyClosed, 117, 143}}};

}  // namespace

DryContactPage::DryContactPage(QWidget* parent) : SettingsPage(Template(130), parent) {
    std::vector<HelpEntry> help;
    for (const HelpRow& row : kHelp) {
        // The model code is taken from the own copy at each move: it follows every read.
        help.push_back({row.controlId,
                        [this, pins12 = LoadText(row.pins1And2), pins56 = LoadText(row.pins5And6)] {
                            const int model =
                                static_cast<int>(GetField(ownImage_, FieldId::bModelCode));
                            return ModelTable::DryContactUsesPins5And6(model) ? pins56 : pins12;
                        }});
    }
    SetHelp(kHelpBox, std::move(help), kHoverMargin);
}

void DryContactPage::LoadSettings(SettingsImage image) {
    // Checking one button of an exclusive group clears its partner.
    const bool autoEnable = GetField(image, FieldId::bShutDownAction) != 0;
    Control<QRadioButton>(autoEnable ? kAutoEnable : kManualRestart)->setChecked(true);
    const bool normallyOpen = GetField(image, FieldId::bShutDownLogic) != 0;
    Control<QRadioButton>(normallyOpen ? kNormallyOpen : kNormallyClosed)->setChecked(true);
}

bool DryContactPage::StoreSettings(SettingsImage& image) {
    // Before the first load neither button of a group may be checked: the bit then stays.
    if (Control<QRadioButton>(kManualRestart)->isChecked())
        SetField(image, FieldId::bShutDownAction, 0);
    else if (Control<QRadioButton>(kAutoEnable)->isChecked())
        SetField(image, FieldId::bShutDownAction, 1);
    if (Control<QRadioButton>(kNormallyOpen)->isChecked())
        SetField(image, FieldId::bShutDownLogic, 1);
    else if (Control<QRadioButton>(kNormallyClosed)->isChecked())
        SetField(image, FieldId::bShutDownLogic, 0);
    return true;
}

void DryContactPage::SetFactoryDefaults() {
    Control<QRadioButton>(kManualRestart)->setChecked(true);
    Control<QRadioButton>(kNormallyOpen)->setChecked(true);
}

void DryContactPage::DisableAllControls() {
    for (int id : {kManualRestart, kAutoEnable, kNormallyOpen, kNormallyClosed})
        Control<QWidget>(id)->setEnabled(false);
}

}  // namespace upsconfig
