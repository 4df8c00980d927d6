#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <atomic>
#include <bitset>
#include <memory>

#include "app/MonitorThread.h"
#include "app/SettingsFileActions.h"
#include "device/HidLink.h"
#include "device/Pauser.h"
#include "device/ReportLayer.h"
#include "unit/SettingsImage.h"

class QLabel;
class QPushButton;

namespace upsconfig {

class TabControl;
class SettingsPage;
class UpsPage;
class DryContactPage;
class BatteryPage;
class ParallelPage;
class InfoTextPage;
class OutletPage;
class EcoPage;
class TestInfoPage;

// The main window: the tab control with the nine pages, the action buttons, the first contact
// with the unit and the status monitor. The report layer owns the settings image and the
// flags shared with the monitor; the window owns the pages and the monitor.
class MainDialog : public QDialog, public ReportListener, public SettingsFileHost {
    Q_OBJECT
  public:
    static constexpr int kTemplateId = 102;
    static constexpr int kTabControlId = 1000;
    static constexpr int kRefreshId = 1011;
    static constexpr int kUploadLanguageId = 1012;
    static constexpr int kExitId = 1013;
    static constexpr int kApplyId = 1014;
    static constexpr int kFactorySettingId = 1015;
    static constexpr int kDownloadId = 1016;
    static constexpr int kUploadId = 1018;
    static constexpr int kAboutStringId = 101;
    static constexpr int kSavedStringId = 104;

    static constexpr int kReloadDelayMs = 200;
    static constexpr int kApplyWaitMs = 5000;
    static constexpr int kExitStepMs = 100;

    // monitorPauser paces the monitor's passes; empty = the same pauser. The window registers
    // itself as the report layer's listener.
    MainDialog(HidLink& link, ReportLayer& reports, Pauser pauser, Pauser monitorPauser = {},
               QWidget* parent = nullptr);
    ~MainDialog() override;

    // Everything from creating the pages to the first reload. False when the user chose
    // Cancel at the first contact: the program ends without showing the window.
    bool Initialise();

    // --- Parts of the window other actions work with ---------------------------------------
    ReportLayer& Reports() { return reports_; }
    UpsFlags& Flags() { return reports_.Flags(); }
    SettingsImage& Image() override { return reports_.Image(); }
    const Pauser& WaitPauser() const { return pauser_; }
    TabControl* Tabs() const { return tabs_; }
    UpsPage* Ups() const { return upsPage_; }
    DryContactPage* DryContact() const { return dryContactPage_; }
    BatteryPage* Battery() const { return batteryPage_; }
    ParallelPage* Parallel() const { return parallelPage_; }
    InfoTextPage* InfoText() const { return infoTextPage_; }
    OutletPage* Outlet1() const { return outlet1Page_; }
    OutletPage* Outlet2() const { return outlet2Page_; }
    EcoPage* Eco() const { return ecoPage_; }
    TestInfoPage* TestInfo() const { return testInfoPage_; }
    // The seven settings pages in their load and store order: UPS, dry contact, battery,
    // parallel, Outlet1, Outlet2, ECO.
    std::array<SettingsPage*, 7> SettingsPages() const;
    // All nine pages in their order of creation.
    std::array<SettingsPage*, 9> AllPages() const;
    bool MonitorRunning() const { return monitor_.Running(); }
    bool MonitorStarted() const { return monitor_.Started(); }
    // Shows a short text in the status line under the buttons (empty clears it).
    void SetStatusText(const QString& text);
    QString StatusText() const;

    // Stops the monitor (clears keep-polling, waits for the running flag in settleMs steps
    // through the pauser, joins the thread) and ends the window. Exit uses 100 ms steps.
    void EndWindow(int settleMs = kExitStepMs);

    // --- Operations of the window ---------------------------------------------------------
    // True when every report was read.
    bool Reload();
    void RebuildTabs();
    void InsertTabs();
    void ApplyStateToPages();
    void ShowSelectedPage();
    void ShareImage(const SettingsImage& image) override;

    // --- Handlers of the buttons ------------------------------------------------------------
    void OnRefresh();
    void OnApply();
    void OnFactorySetting();
    void OnExit();
    void OnAbout();
    // Download, Upload and Upload language live with the settings-file and language actions.
    void OnDownload();
    void OnUpload();
    void OnUploadLanguage();

    // SettingsFileHost: what Download and Upload need of the window (Reload and Apply use the
    // same store and load).
    QWidget* Owner() override { return this; }
    bool UpsOn() const override { return reports_.Flags().upsOn.load() != 0; }
    bool PagesLoaded() const override { return pagesLoaded_; }
    bool StorePagesWithTabs(SettingsImage& image) override;
    void ShareImage() override { ShareImage(Image()); }
    void LoadPagesFromImage() override;

    // ReportListener: the report layer's results.
    void ShowVersions(int hardware, int powerFirmware, int monitorFirmware) override;
    void ShowTimeSinceStartup(std::int32_t seconds) override;

  public slots:
    // Enter and Escape: nothing. The window ends only through EndWindow.
    void accept() override {}
    void reject() override {}

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void CreatePages();
    void PlacePages();
    void ConnectButtons();
    void DisableForIgnore();
    // What SaveChanges leaves to the rest of the Apply.
    struct SaveOutcome {
        bool reload = true;  // false: the Apply ends at once, the edits stay on the pages
        bool check = false;  // every report went through: compare after the reload
        SettingsImage written;
        std::bitset<SettingsImage::kSize> writtenBytes;
    };
    SaveOutcome SaveChanges();
    // After the reload: tells the user of every written setting the unit does not hold.
    void CheckWrite(const SaveOutcome& saved, bool readBack);
    // The window's page for a page of the unit; nullptr for none.
    SettingsPage* PageOf(EditedOn page) const;
    // Handlers of the buttons refuse to start while another action runs.
    bool Busy() const;
    // Closes the window as soon as no action runs, looking again every delayMs after the first.
    void CloseWhenIdle(int delayMs);
    QPushButton* Button(int id) const;

    HidLink& link_;
    ReportLayer& reports_;
    Pauser pauser_;
    MonitorThread monitor_;

    TabControl* tabs_ = nullptr;
    QLabel* statusLine_ = nullptr;
    UpsPage* upsPage_ = nullptr;
    DryContactPage* dryContactPage_ = nullptr;
    BatteryPage* batteryPage_ = nullptr;
    ParallelPage* parallelPage_ = nullptr;
    InfoTextPage* infoTextPage_ = nullptr;
    OutletPage* outlet1Page_ = nullptr;
    OutletPage* outlet2Page_ = nullptr;
    EcoPage* ecoPage_ = nullptr;
    TestInfoPage* testInfoPage_ = nullptr;

    int tabCount_ = 0;
    // The model code the tabs were built for; starts as a value no model code has.
    int lastModelCode_ = -1;
    std::array<int, 3> versions_{};
    bool ending_ = false;
    // The pages have shown settings read from the unit or loaded from a file: until then they
    // hold only their start values, which must never be stored onto the unit.
    bool pagesLoaded_ = false;
    bool actionRunning_ = false;
    bool closePending_ = false;  // a close box pressed during an action, not yet carried out
    // A state update handed to the user-interface thread and not yet run there: the monitor
    // does not queue another meanwhile, so a busy window never collects a backlog.
    std::atomic<bool> stateUpdateQueued_{false};
};

}  // namespace upsconfig
