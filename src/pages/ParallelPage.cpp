#include "pages/ParallelPage.h"

#include <QComboBox>
#include <algorithm>
#include <span>
#include <string_view>

#include "resources/Ids.h"
#include "resources/QtText.h"

namespace upsconfig {

namespace {

using namespace ids::parallel;

constexpr int kHoverMargin = 3;

constexpr HelpRow kHelpRows[] = {
    {kUnits, ids::text::kParallelUnitsHelp},
    {kUnitId, ids::text::kParallelUnitIdHelp},
};

// The unit-id items as the template lists them: the refill takes a leading run of them.
std::span<const std::string_view> UnitIdItems() {
    for (const ControlTemplate& control : Template(ids::dialog::kParallelPage).controls)
        if (control.id == kUnitId) return control.items;
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

ParallelPage::ParallelPage(QWidget* parent)
    : SettingsPage(Template(ids::dialog::kParallelPage), parent) {
    SetHelp(kHelp, kHelpRows, kHoverMargin);

    auto* units = Control<QComboBox>(kUnits);
    // Only the user's choice runs the rule; loads and defaults select without it.
    connect(units, &QComboBox::activated, this, [this](int index) { OnUnitsChosen(index); });
}

void ParallelPage::FillUnitIdList(int n) {
    if (n < 0 || n > 2) return;
    auto* list = Control<QComboBox>(kUnitId);
    list->setEnabled(true);
    list->clear();
    const auto items = UnitIdItems();
    const auto count = std::min<std::size_t>(static_cast<std::size_t>(n) + 1, items.size());
    for (std::size_t i = 0; i < count; ++i)
        list->addItem(ToQString(items[i]));
    // Qt selects the first item added; a refilled list starts without a selection.
    list->setCurrentIndex(-1);
}

void ParallelPage::OnUnitsChosen(int s) {
    FillUnitIdList(s);
    // The unit number the UPS (or the last loaded file) holds, not an earlier choice here.
    const int a = static_cast<int>(GetField(OwnImage(), FieldId::bParalAddr));
    int index = a - 1;
    if (s == 0) {
        index = 0;
    } else if (s == 1 && a == 3) {
        index = 0;
    }
    Select(Control<QComboBox>(kUnitId), index);
}

void ParallelPage::LoadSettings(SettingsImage image) {
    Select(Control<QComboBox>(kUnits),
           static_cast<int>(GetField(image, FieldId::bParalConfig)) - 1);
    Select(Control<QComboBox>(kUnitId), static_cast<int>(GetField(image, FieldId::bParalAddr)) - 1);
}

bool ParallelPage::StoreSettings(SettingsImage& image) {
    StoreIndex(Control<QComboBox>(kUnits), image, FieldId::bParalConfig);
    StoreIndex(Control<QComboBox>(kUnitId), image, FieldId::bParalAddr);
    return true;
}

void ParallelPage::SetFactoryDefaults() {
    FillUnitIdList(0);
    Select(Control<QComboBox>(kUnits), 0);
    Select(Control<QComboBox>(kUnitId), 0);
}

void ParallelPage::DisableAllControls() {
    Control<QComboBox>(kUnits)->setEnabled(false);
    Control<QComboBox>(kUnitId)->setEnabled(false);
}

void ParallelPage::UpdateForUpsState(int upsOn) {
    Control<QComboBox>(kUnits)->setEnabled(upsOn == 0);
    Control<QComboBox>(kUnitId)->setEnabled(upsOn == 0);
}

}  // namespace upsconfig
