#include "pages/ParallelPage.h"

#include <QComboBox>
#include <algorithm>
#include <span>
#include <string_view>

#include "resources/QtText.h"
#include "resources/StringTable.h"

namespace upsconfig {

namespace {

constexpr int kUnitsList = 1026;
constexpr int kUnitIdList = 1027;
constexpr int kHelpBox = 1028;
constexpr int kHoverMargin = 3;

// The unit-id items as the template lists them: the refill takes a leading run of them.
std::span<const std::string_view> UnitIdItems() {
    for (const ControlTemplate& control : Template(165).controls)
        if (control.id == kUnitIdList) return control.items;
    return {};
}

// Out-of-list positions leave the list without a selection.
void Select(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// A list without a selection leaves its field as it was.
void StoreIndex(const QComboBox* list, SettingsImage& image, FieldId field) {
    const int index = list->currentIndex();
    if (index >= 0) SetField(image, field, static_cast<unsigned>(index + 1));
}

}  // namespace

ParallelPage::ParallelPage(QWidget* parent) : SettingsPage(Template(165), parent) {
    SetHelp(kHelpBox,
            {{kUnitsList, [text = LoadText(170)] { return text; }},
             {kUnitIdList, [text = LoadText(171)] { return text; }}},
            kHoverMargin);

    auto* units = Control<QComboBox>(kUnitsList);
    // Only the user's choice runs the rule; loads and defaults select without it.
    connect(units, &QComboBox::activated, this, [this](int index) { OnUnitsChosen(index); });
}

void ParallelPage::FillUnitIdList(int n) {
    if (n < 0 || n > 2) return;
    auto* ids = Control<QComboBox>(kUnitIdList);
    ids->setEnabled(true);
    ids->clear();
    const auto items = UnitIdItems();
    const auto count = std::min<std::size_t>(static_cast<std::size_t>(n) + 1, items.size());
    for (std::size_t i = 0; i < count; ++i)
        ids->addItem(ToQString(items[i]));
    // Qt selects the first item added; a refilled list starts without a selection.
    ids->setCurrentIndex(-1);
}

void ParallelPage::OnUnitsChosen(int s) {
    FillUnitIdList(s);
    // The unit number the UPS (or the last loaded file) holds, not an earlier choice here.
    const int a = static_cast<int>(GetField(ownImage_, FieldId::bParalAddr));
    int index = a - 1;
    if (s == 0) {
        index = 0;
    } else if (s == 1 && a == 3) {
        index = 0;
    }
    Select(Control<QComboBox>(kUnitIdList), index);
}

void ParallelPage::LoadSettings(SettingsImage image) {
    Select(Control<QComboBox>(kUnitsList),
           static_cast<int>(GetField(image, FieldId::bParalConfig)) - 1);
    Select(Control<QComboBox>(kUnitIdList),
           static_cast<int>(GetField(image, FieldId::bParalAddr)) - 1);
}

bool ParallelPage::StoreSettings(SettingsImage& image) {
    StoreIndex(Control<QComboBox>(kUnitsList), image, FieldId::bParalConfig);
    StoreIndex(Control<QComboBox>(kUnitIdList), image, FieldId::bParalAddr);
    return true;
}

void ParallelPage::SetFactoryDefaults() {
    FillUnitIdList(0);
    Select(Control<QComboBox>(kUnitsList), 0);
    Select(Control<QComboBox>(kUnitIdList), 0);
}

void ParallelPage::DisableAllControls() {
    Control<QComboBox>(kUnitsList)->setEnabled(false);
    Control<QComboBox>(kUnitIdList)->setEnabled(false);
}

void ParallelPage::UpdateForUpsState(int upsOn) {
    Control<QComboBox>(kUnitsList)->setEnabled(upsOn == 0);
    Control<QComboBox>(kUnitIdList)->setEnabled(upsOn == 0);
}

}  // namespace upsconfig
