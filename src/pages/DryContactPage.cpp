#include "pages/DryContactPage.h"

#include <QRadioButton>
#include <array>

#include "resources/Ids.h"
#include "unit/ModelTable.h"

namespace upsconfig {

namespace {

using namespace ids::drycontact;
namespace text = ids::text;

constexpr int kHoverMargin = 3;

// Help in test order: the text naming terminal pins 1 and 2, the alternative pins 5 and 6.
constexpr HelpRow kHelpRows[] = {
    {kManualRestart, text::kDryManualRestartHelp, {}, text::kDryManualRestartPins56Help},
    {kAutoEnable, text::kDryAutoEnableHelp, {}, text::kDryAutoEnablePins56Help},
    {kNormallyOpen, text::kDryNormallyOpenHelp, {}, text::kDryNormallyOpenPins56Help},
    {kNormallyClosed, text::kDryNormallyClosedHelp, {}, text::kDryNormallyClosedPins56Help},
};

}  // namespace

DryContactPage::DryContactPage(QWidget* parent)
    : SettingsPage(Template(ids::dialog::kDryContactPage), parent) {
    SetHelp(kHelp, kHelpRows, kHoverMargin);
}

bool DryContactPage::UseAlternativeHelp() const {
    // The model code is taken from the own copy at each move: it follows every read.
    return ModelTable::DryContactUsesPins5And6(
        static_cast<int>(GetField(OwnImage(), FieldId::bModelCode)));
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
