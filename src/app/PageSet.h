#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <vector>

#include "device/ReportLayer.h"
#include "unit/SettingsImage.h"

namespace upsconfig {

class TabControl;
class SettingsPage;
class UpsPage;
class ParallelPage;
class InfoTextPage;
class OutletPage;
class TestInfoPage;

// The nine pages of the main window in one list, and the tabs over them as the core says a
// model has them. Loads, stores and shares the settings image across the pages and hands them
// the unit's state. Without a tab control (the hidden pages of an Apply) it only computes.
class PageSet {
  public:
    // Creates the pages in the pane, all hidden.
    PageSet(QWidget* pane, ReportLayer& reports, TabControl* tabs = nullptr);
    PageSet(const PageSet&) = delete;
    PageSet& operator=(const PageSet&) = delete;

    // The page of the window for a page of the unit; nullptr for none.
    SettingsPage* Page(EditedOn page) const;
    UpsPage* Ups() const;
    ParallelPage* Parallel() const;
    OutletPage* Outlet(int outlet) const;  // 1 or 2
    TestInfoPage* TestInfo() const;
    InfoTextPage* InfoText() const { return infoText_; }
    // All nine, in their order of creation (which is their focus order).
    std::vector<SettingsPage*> All() const;
    TabControl* Tabs() const { return tabs_; }

    // Lays every page into the tab control below its tabs.
    void Place();
    // Builds the tabs anew for the model code of the image when it differs from the one they
    // were built for, with the UPS page in front.
    void RebuildTabs(int modelCode, bool testInfo);
    // The pages that have a tab now.
    std::vector<EditedOn> WithTab() const;
    // Shows the page of the selected tab alone.
    void ShowSelected();
    // The state the monitor reads: standby-only controls, outlet buttons; the command buttons
    // only while the unit answers.
    void ApplyState();

    // SetModel and the parallel unit list from the image, then LoadSettings on all seven
    // settings pages, tab or not. From then on the pages hold values worth storing.
    void Load(const SettingsImage& image);
    bool Loaded() const { return loaded_; }
    // StoreSettings on the settings pages that have a tab, in store order. False when a page
    // refused an entry: that page comes to the front.
    bool StoreWithTabs(SettingsImage& image);
    // The same without a word to the user and without bringing a page to the front: what the
    // pages hold, to compare. Stores every page, also after one refused an entry.
    bool StoreQuietly(SettingsImage& image);
    // Hands the image to the pages that keep their own copy.
    void Share(const SettingsImage& image);
    void SetFactoryDefaults();
    // DisableAllControls on every page, and its undoing when a unit is found after all.
    void DisableAll();
    void EnableAgain();
    void SetQuiet(bool quiet);

  private:
    void UpdateCommands();

    struct Entry {
        EditedOn page;  // NoPage for the info text
        SettingsPage* widget;
    };

    ReportLayer& reports_;
    std::vector<Entry> pages_;
    InfoTextPage* infoText_ = nullptr;
    TabControl* tabs_;
    int tabCount_ = 0;
    // The model code the tabs were built for; starts as a value no model code has.
    int tabsModel_ = -1;
    bool loaded_ = false;
    std::vector<QPointer<QWidget>> disabled_;  // what DisableAll turned off
};

}  // namespace upsconfig
