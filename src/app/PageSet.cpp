#include "app/PageSet.h"

#include <QComboBox>
#include <QPushButton>
#include <algorithm>

#include "framework/TabControl.h"
#include "pages/BatteryPage.h"
#include "pages/DryContactPage.h"
#include "pages/EcoPage.h"
#include "pages/InfoTextPage.h"
#include "pages/OutletPage.h"
#include "pages/ParallelPage.h"
#include "pages/TestInfoPage.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"
#include "unit/Tabs.h"

namespace upsconfig {

using E = EditedOn;

PageSet::PageSet(QWidget* pane, ReportLayer& reports, TabControl* tabs)
    : reports_(reports), tabs_(tabs) {
    // Created in this order so that the focus order of the pages follows it.
    const auto add = [this](EditedOn page, SettingsPage* widget) {
        pages_.push_back({page, widget});
    };
    add(E::UpsPage, new UpsPage(pane));
    add(E::DryContactPage, new DryContactPage(pane));
    add(E::BatteryPage, new BatteryPage(pane));
    add(E::ParallelPage, new ParallelPage(pane));
    infoText_ = new InfoTextPage(pane);
    add(E::NoPage, infoText_);
    for (const int outlet : {1, 2}) {
        auto* page = new OutletPage(reports, pane);
        page->SetOutletNumber(outlet);
        add(outlet == 1 ? E::Outlet1Page : E::Outlet2Page, page);
    }
    add(E::EcoPage, new EcoPage(pane));
    add(E::TestInfoPage, new TestInfoPage(reports, pane));
    // Choosing a number of units enables the unit-id list, online or not: the state follows
    // at once, as the monitor no longer looks every 20 ms.
    QObject::connect(Parallel()->Control<QComboBox>(ids::parallel::kUnits), &QComboBox::activated,
                     Parallel(), [this] { ApplyState(); });
    for (const Entry& entry : pages_) {
        entry.widget->hide();
        // Enter on a focused button would press it: only Space and the mouse press them here.
        for (QPushButton* button : entry.widget->findChildren<QPushButton*>()) {
            button->setAutoDefault(false);
            button->setDefault(false);
        }
    }
}

SettingsPage* PageSet::Page(EditedOn page) const {
    const auto it = std::ranges::find(pages_, page, &Entry::page);
    return it == pages_.end() || page == E::NoPage ? nullptr : it->widget;
}

UpsPage* PageSet::Ups() const { return static_cast<UpsPage*>(Page(E::UpsPage)); }
ParallelPage* PageSet::Parallel() const {
    return static_cast<ParallelPage*>(Page(E::ParallelPage));
}
OutletPage* PageSet::Outlet(int outlet) const {
    return static_cast<OutletPage*>(Page(outlet == 1 ? E::Outlet1Page : E::Outlet2Page));
}
TestInfoPage* PageSet::TestInfo() const {
    return static_cast<TestInfoPage*>(Page(E::TestInfoPage));
}

std::vector<SettingsPage*> PageSet::All() const {
    std::vector<SettingsPage*> all;
    for (const Entry& entry : pages_)
        all.push_back(entry.widget);
    return all;
}

void PageSet::Place() {
    // The pane covers the whole tab control, tabs on top; its size is the control's even before
    // the window is first shown.
    const QRect area = QRect(QPoint(0, 0), tabs_->size()).adjusted(2, 30, -2, -2);
    for (const Entry& entry : pages_)
        entry.widget->setGeometry(area);
}

void PageSet::RebuildTabs(int modelCode, bool testInfo) {
    if (modelCode == tabsModel_) return;
    tabsModel_ = modelCode;
    for (int i = 0; i < tabCount_; ++i)
        tabs_->DeleteTab(0);
    tabCount_ = 0;
    for (const Entry& entry : pages_) {
        entry.widget->hide();
        entry.widget->SetTabIndex(-1);
    }
    for (const EditedOn page : TabsOf(modelCode, testInfo)) {
        Page(page)->SetTabIndex(tabCount_);
        tabs_->InsertTab(tabCount_, QString::fromStdString(TabLabel(page)));
        ++tabCount_;
    }
    Ups()->show();
    tabs_->SetCurrentIndex(0);
    infoText_->ShowInfoText();
}

std::vector<EditedOn> PageSet::WithTab() const {
    std::vector<EditedOn> tabs;
    for (const Entry& entry : pages_)
        if (entry.widget->TabIndex() != -1) tabs.push_back(entry.page);
    return tabs;
}

void PageSet::ShowSelected() {
    const int selected = tabs_->CurrentIndex();
    // Hide first, so two pages are never on screen together.
    for (const Entry& entry : pages_)
        if (selected < 0 || entry.widget->TabIndex() != selected) entry.widget->hide();
    for (const Entry& entry : pages_)
        if (selected >= 0 && entry.widget->TabIndex() == selected) entry.widget->show();
    UpdateCommands();
}

void PageSet::ApplyState() {
    const UpsFlags& flags = reports_.Flags();
    Ups()->UpdateForUpsState(flags.upsOn);
    Parallel()->UpdateForUpsState(flags.upsOn);
    UpdateCommands();
}

void PageSet::UpdateCommands() {
    const UpsFlags& flags = reports_.Flags();
    for (const Entry& entry : pages_)
        entry.widget->SetUnitReachable(reports_.Connected());
    Outlet(1)->UpdateCommandButtons(flags.outlet1On);
    Outlet(2)->UpdateCommandButtons(flags.outlet2On);
}

void PageSet::Load(const SettingsImage& image) {
    Ups()->SetModel(static_cast<int>(GetField(image, FieldId::bModelCode)));
    Parallel()->FillUnitIdList(static_cast<int>(GetField(image, FieldId::bParalConfig)) - 1);
    for (const EditedOn page : kSettingsPages)
        Page(page)->LoadSettings(image);
    loaded_ = true;
    // The loads enable lists that are only for standby; nothing else would take them away.
    ApplyState();
}

bool PageSet::StoreWithTabs(SettingsImage& image) {
    // Pages without a tab leave their fields as the image holds them.
    for (const EditedOn page : kSettingsPages) {
        SettingsPage* widget = Page(page);
        if (widget->TabIndex() == -1 || widget->StoreSettings(image)) continue;
        // The page with the refused entry comes to the front, the entry in focus.
        if (tabs_ != nullptr) {
            tabs_->SetCurrentIndex(widget->TabIndex());
            ShowSelected();
        }
        return false;
    }
    return true;
}

bool PageSet::StoreQuietly(SettingsImage& image) {
    SetQuiet(true);
    bool all = true;
    for (const EditedOn page : kSettingsPages) {
        SettingsPage* widget = Page(page);
        if (widget->TabIndex() != -1) all = widget->StoreSettings(image) && all;
    }
    SetQuiet(false);
    return all;
}

void PageSet::Share(const SettingsImage& image) {
    for (const Entry& entry : pages_)
        entry.widget->SetOwnImage(image);
}

void PageSet::SetFactoryDefaults() {
    // Every settings page, with a tab or not; nothing reaches the unit before Apply.
    for (const EditedOn page : kSettingsPages)
        Page(page)->SetFactoryDefaults();
}

void PageSet::DisableAll() {
    std::vector<QWidget*> enabled;
    for (const Entry& entry : pages_)
        for (QWidget* control : entry.widget->findChildren<QWidget*>())
            if (control->isEnabled()) enabled.push_back(control);
    for (const EditedOn page : kSettingsPages)
        Page(page)->DisableAllControls();
    TestInfo()->DisableAllControls();
    for (QWidget* control : enabled)
        if (!control->isEnabled()) disabled_.emplace_back(control);
}

void PageSet::EnableAgain() {
    for (const QPointer<QWidget>& control : disabled_)
        if (control) control->setEnabled(true);
    disabled_.clear();
}

void PageSet::SetQuiet(bool quiet) {
    for (const Entry& entry : pages_)
        entry.widget->SetQuiet(quiet);
}

}  // namespace upsconfig
