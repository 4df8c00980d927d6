#include "pages/BatteryPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <array>

#include "resources/Ids.h"

namespace upsconfig {

namespace {

using namespace ids::battery;
namespace text = ids::text;

constexpr int kHoverMargin = 3;
constexpr unsigned kLowBatteryOffset = 2;

constexpr HelpRow kHelpRows[] = {
    {kLowBatteryTime, text::kBatteryLowBatteryTimeHelp},
    {kTestInterval, text::kBatteryTestIntervalHelp},
    {kCabinets, text::kBatteryCabinetsHelp},
    {kAutoTest, text::kBatteryAutoTestHelp},
};

// A position the list lacks leaves it without a selection.
void Select(QComboBox* list, int position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

}  // namespace

BatteryPage::BatteryPage(QWidget* parent)
    : SettingsPage(Template(ids::dialog::kBatteryPage), parent) {
    SetHelp(kHelp, kHelpRows, kHoverMargin);
    connect(Control<QCheckBox>(kAutoTest), &QCheckBox::clicked, this,
            [this] { UpdateBatteryControls(); });
}

void BatteryPage::LoadSettings(SettingsImage image) {
    Select(Control<QComboBox>(kLowBatteryTime),
           static_cast<int>(GetField(image, FieldId::bLowBattTime)) -
               static_cast<int>(kLowBatteryOffset));
    Select(Control<QComboBox>(kTestInterval),
           static_cast<int>(GetField(image, FieldId::bAutoBattTestTime)));
    Select(Control<QComboBox>(kCabinets), static_cast<int>(GetField(image, FieldId::bBattType)));
    Control<QCheckBox>(kAutoTest)->setChecked(GetField(image, FieldId::bAutoBattTestEn) != 0);
    UpdateBatteryControls();
}

bool BatteryPage::StoreSettings(SettingsImage& image) {
    // A list without a selection leaves its field as the unit has it: writing "no position"
    // would put nonsense such as 1 minute into bLowBattTime.
    if (const int p = Control<QComboBox>(kLowBatteryTime)->currentIndex(); p >= 0)
        SetField(image, FieldId::bLowBattTime, static_cast<unsigned>(p) + kLowBatteryOffset);
    if (const int p = Control<QComboBox>(kTestInterval)->currentIndex(); p >= 0)
        SetField(image, FieldId::bAutoBattTestTime, static_cast<unsigned>(p));
    if (const int p = Control<QComboBox>(kCabinets)->currentIndex(); p >= 0)
        SetField(image, FieldId::bBattType, static_cast<unsigned>(p));
    SetField(image, FieldId::bAutoBattTestEn, Control<QCheckBox>(kAutoTest)->isChecked() ? 1 : 0);
    UpdateBatteryControls();
    return true;
}

void BatteryPage::SetFactoryDefaults() {
    for (int id : {kLowBatteryTime, kTestInterval, kCabinets})
        Control<QComboBox>(id)->setCurrentIndex(0);
    Control<QCheckBox>(kAutoTest)->setChecked(true);
    UpdateBatteryControls();
}

void BatteryPage::DisableAllControls() {
    for (int id : {kLowBatteryTime, kTestInterval, kCabinets, kAutoTest})
        Control<QWidget>(id)->setEnabled(false);
}

void BatteryPage::UpdateBatteryControls() {
    for (int id : {kLowBatteryTime, kCabinets, kAutoTest})
        Control<QWidget>(id)->setEnabled(true);
    Control<QWidget>(kTestInterval)->setEnabled(Control<QCheckBox>(kAutoTest)->isChecked());
}

}  // namespace upsconfig
