#pragma once

#include <QDialog>
#include <atomic>
#include <memory>

#include "app/MonitorThread.h"
#include "app/PageSet.h"
#include "app/WindowActions.h"
#include "device/HidLink.h"
#include "device/InterfaceSelection.h"
#include "device/Pauser.h"
#include "device/ReportLayer.h"

class QLabel;

namespace upsconfig {

// The main window: the tab control over the page set, the buttons of the actions, the first
// contact with the unit and the status monitor. The report layer owns the settings image and
// the flags shared with the monitor; the window hands the layer's results, which may come from
// the monitor thread, over to the user-interface thread.
class MainDialog : public QDialog, public ReportListener, private WindowHost {
    Q_OBJECT
  public:
    // monitorPauser takes the monitor's waits; empty = its own wait, which Exit cuts short. The
    // window registers itself as the report layer's listener.
    // backend is the one under the link, which lets through only the unit chosen.
    MainDialog(HidLink& link, ReportLayer& reports, SelectedBackend& backend, Pauser pauser,
               Pauser monitorPauser = {}, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Everything from the first contact to the first reload. False when the user chose Cancel
    // at the first contact: the program ends without showing the window.
    bool Initialise();

    PageSet& Pages() { return pages_; }
    WindowActions& Actions() { return actions_; }
    bool MonitorRunning() const override { return monitor_.Running(); }
    bool MonitorStarted() const { return monitor_.Started(); }
    QString StatusText() const;

    // ReportListener: the report layer's results.
    void ShareImage(const SettingsImage& image) override;
    void ShowVersions(int hardware, int powerFirmware, int monitorFirmware) override;
    void ShowTimeSinceStartup(std::int32_t seconds) override;

  public slots:
    // Enter and Escape: nothing. The window ends only through the actions' EndWindow.
    void accept() override {}
    void reject() override {}

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // WindowHost
    QWidget* Owner() override { return this; }
    void SetStatusText(const QString& text) override;
    void SetNote(const QString& text) override;
    void SetCondition(const QString& text) override;
    void EnableUnitActions(bool enabled) override;
    void StartFollowing() override;
    QString Diagnosis() override;
    void CloseWindow() override;
    void ShowStatus();

    void ConnectButtons();
    // Several units present: the user picks one, which the link then sees alone, and the title
    // names it (as it does a unit --device named). False when the user cancelled.
    bool ChooseUnit();
    void ChainKeyboard();
    void DisableForIgnore();
    void StartMonitor();
    // The flags and the link's state in one number, to tell a change.
    int StateBits() const;
    // Closes the window as soon as no action runs, looking again every delayMs after the first.
    void CloseWhenIdle(int delayMs);

    HidLink& link_;
    ReportLayer& reports_;
    SelectedBackend& backend_;
    Pauser pauser_;
    MonitorThread monitor_;
    TabControl* tabs_;
    QLabel* statusLine_;
    QString busyText_, note_, condition_;
    PageSet pages_;
    WindowActions actions_;
    bool closePending_ = false;  // a close box pressed during an action, not yet carried out
    // A state update handed to the user-interface thread and not yet run there: the monitor
    // does not queue another meanwhile, so a busy window never collects a backlog.
    std::atomic<bool> stateUpdateQueued_{false};
    std::atomic<int> shownState_{0};  // StateBits as the pages last took them in
};

}  // namespace upsconfig
