#include "pages/UpsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <optional>

#include "framework/AppServices.h"
#include "resources/Ids.h"
#include "resources/QtText.h"
#include "unit/ModelTable.h"

namespace upsconfig {

namespace {

using namespace ids::ups;
namespace text = ids::text;

constexpr int kHoverMargin = 3;

// Help table in test order.
constexpr HelpRow kHelpRows[] = {
    {kVoltage, text::kUpsVoltageHelp},
    {kReverseDetection, text::kUpsReverseDetectionHelp},
    {kStartupOnBypass, text::kUpsStartupOnBypassHelp},
    {kAutoSensingBypass, text::kUpsAutoSensingBypassHelp},
    {kAutoSensingNoBypass, text::kUpsAutoSensingNoBypassHelp},
    {kConverter50Hz, text::kUpsConverter50HzHelp},
    {kConverter60Hz, text::kUpsConverter60HzHelp},
    {kAlarm, text::kUpsAlarmHelp},
    {kAutoRestart, text::kUpsAutoRestartHelp},
    {kGuaranteeShutdown, text::kUpsGuaranteeShutdownHelp},
};

void SetShown(QWidget* widget, bool shown) {
    widget->setHidden(!shown);
    widget->setEnabled(shown);
}

}  // namespace

UpsPage::UpsPage(QWidget* parent) : SettingsPage(Template(ids::dialog::kUpsPage), parent) {
    SetHelp(kHelp, kHelpRows, kHoverMargin);
}

QComboBox* UpsPage::VoltageList() const { return Control<QComboBox>(kVoltage); }

QCheckBox* UpsPage::Box(int id) const { return Control<QCheckBox>(id); }

std::array<QRadioButton*, 4> UpsPage::FrequencyButtons() const {
    std::array<QRadioButton*, 4> buttons{};
    for (std::size_t i = 0; i < kFrequency.size(); ++i)
        buttons[i] = Control<QRadioButton>(kFrequency[i]);
    return buttons;
}

void UpsPage::SetModel(int modelCode) {
    SetShown(Box(kReverseDetection), ModelTable::ShowsReverseDetection(modelCode));
    SetShown(Box(kStartupOnBypass), !ModelTable::HidesStartupOnBypass(modelCode));

    // A model in no group keeps whatever the list holds, items and selection alike.
    const VoltageGroup group = ModelTable::GroupOf(modelCode);
    if (group != VoltageGroup::None) {
        QComboBox* list = VoltageList();
        list->setEnabled(true);
        list->clear();
        for (std::string_view item : ModelTable::Items(group))
            list->addItem(ToQString(item));
        // Adding to an empty list selects the first item; the load chooses instead.
        list->setCurrentIndex(-1);
    }

    Control<QLineEdit>(kModelName)->setText(ToQString(ModelTable::ModelName(modelCode)));
}

void UpsPage::LoadSettings(SettingsImage image) {
    const int model = static_cast<int>(GetField(image, FieldId::bModelCode));
    const VoltageGroup group = ModelTable::GroupOf(model);
    if (group != VoltageGroup::None) {
        const std::optional<int> position = ModelTable::PositionOfCode(
            group, static_cast<int>(GetField(image, FieldId::bOutputLevel)));
        if (position) {
            VoltageList()->setCurrentIndex(*position);
        } else {
            // Nothing chosen, so a later store keeps the unit's code.
            VoltageList()->setCurrentIndex(-1);
            if (!Quiet())
                ShowMessage(this, QStringLiteral("output voltage default settings error"),
                            QString(), MessageStyle::Ok);
        }
    }

    // Hidden for other models, where it keeps its state.
    if (ModelTable::ShowsReverseDetection(model))
        Box(kReverseDetection)->setChecked(GetField(image, FieldId::bReverseDect) != 0);

    // bFreqLevel has two bits, so exactly one button of the exclusive group ends up checked.
    const unsigned frequency = GetField(image, FieldId::bFreqLevel);
    const auto buttons = FrequencyButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->setChecked(i == frequency);

    Box(kAlarm)->setChecked(GetField(image, FieldId::bAlarmCtrl) != 0);
    Box(kStartupOnBypass)->setChecked(GetField(image, FieldId::bInvFirstMode) == 0);
    Box(kAutoRestart)->setChecked(GetField(image, FieldId::bAutoStartEn) != 0);
    Box(kGuaranteeShutdown)->setChecked(GetField(image, FieldId::bEodMode) != 0);
}

bool UpsPage::StoreSettings(SettingsImage& image) {
    const int model = static_cast<int>(GetField(OwnImage(), FieldId::bModelCode));
    const std::optional<int> code =
        ModelTable::CodeOfPosition(ModelTable::GroupOf(model), VoltageList()->currentIndex());
    if (code) SetField(image, FieldId::bOutputLevel, static_cast<unsigned>(*code));

    // Written whether the box is shown or not.
    SetField(image, FieldId::bReverseDect, Box(kReverseDetection)->isChecked() ? 1 : 0);

    const auto buttons = FrequencyButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->isChecked()) {
            SetField(image, FieldId::bFreqLevel, static_cast<unsigned>(i));
            break;
        }
    }

    SetField(image, FieldId::bAlarmCtrl, Box(kAlarm)->isChecked() ? 1 : 0);
    SetField(image, FieldId::bInvFirstMode, Box(kStartupOnBypass)->isChecked() ? 0 : 1);
    SetField(image, FieldId::bAutoStartEn, Box(kAutoRestart)->isChecked() ? 1 : 0);
    SetField(image, FieldId::bEodMode, Box(kGuaranteeShutdown)->isChecked() ? 1 : 0);
    return true;
}

void UpsPage::SetFactoryDefaults() {
    const int model = static_cast<int>(GetField(OwnImage(), FieldId::bModelCode));
    if (const std::optional<int> position =
            ModelTable::FactoryDefaultPosition(ModelTable::GroupOf(model)))
        VoltageList()->setCurrentIndex(*position);

    Box(kReverseDetection)->setChecked(ModelTable::ShowsReverseDetection(model));
    FrequencyButtons()[0]->setChecked(true);  // the exclusive group clears the other three
    Box(kAlarm)->setChecked(true);
    Box(kStartupOnBypass)->setChecked(true);
    Box(kAutoRestart)->setChecked(true);
    Box(kGuaranteeShutdown)->setChecked(false);
}

void UpsPage::DisableAllControls() {
    for (int id :
         {kVoltage, kReverseDetection, kStartupOnBypass, kAlarm, kAutoRestart, kGuaranteeShutdown})
        Control<QWidget>(id)->setEnabled(false);
    for (QRadioButton* button : FrequencyButtons())
        button->setEnabled(false);
}

void UpsPage::UpdateForUpsState(int upsOn) {
    const bool standby = upsOn == 0;
    VoltageList()->setEnabled(standby);
    for (QRadioButton* button : FrequencyButtons())
        button->setEnabled(standby);
}

}  // namespace upsconfig
