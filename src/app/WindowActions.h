#pragma once

#include <QString>

#include "app/SettingsFileActions.h"
#include "device/Pauser.h"
#include "device/ReportLayer.h"
#include "session/WriteSession.h"
#include "unit/SettingsImage.h"

class QWidget;

namespace upsconfig {

class PageSet;

// What the actions need of the window around them.
class WindowHost {
  public:
    virtual ~WindowHost() = default;
    // Owner of the message boxes and dialogs.
    virtual QWidget* Owner() = 0;
    // The status line under the buttons (empty clears it).
    virtual void SetStatusText(const QString& text) = 0;
    virtual bool MonitorRunning() const = 0;
    // The monitor has stopped: joins it and closes the window.
    virtual void CloseWindow() = 0;
};

// The buttons of the main window: Refresh, Apply, Factory Setting, Exit, Download, Upload and
// Upload language. Each refuses to start while another action runs or the window ends.
class WindowActions : public SettingsFileHost {
  public:
    static constexpr int kReloadDelayMs = 200;
    static constexpr int kApplyWaitMs = WriteSession::kApplyWaitMs;
    static constexpr int kExitStepMs = 100;

    WindowActions(WindowHost& host, ReportLayer& reports, PageSet& pages, Pauser pauser);

    void Refresh();
    void Apply();
    void FactorySetting();
    void Exit();
    void Download();
    void Upload();
    void UploadLanguage();

    // Reads every report; the pages take the image once every report has come from the unit.
    // True when every report was read.
    bool Reload();
    // Stops the monitor (clears keep-polling, waits for the running flag in settleMs steps
    // through the pauser) and closes the window. Exit uses 100 ms steps.
    void EndWindow(int settleMs = kExitStepMs);

    // The unit is the demo's simulated one: its backups are kept apart from real units'.
    void SetSimulatedUnit(bool simulated) { simulatedUnit_ = simulated; }

    // An action (or a busy scope inside one) is under way.
    bool Running() const;
    bool Ending() const { return ending_; }

    // SettingsFileHost: what Download and Upload need (Reload and Apply use the same).
    QWidget* Owner() override;
    SettingsImage& Image() override { return reports_.Image(); }
    bool UpsOn() const override { return reports_.Flags().upsOn.load() != 0; }
    bool PagesLoaded() const override;
    bool StorePagesWithTabs(SettingsImage& image) override;
    void ShareImage() override;
    void LoadPagesFromImage() override;

  private:
    // Reads, stores the pages, asks and hands the plan to the write session; true when the
    // Apply still has to wait and reload (the answer No, nothing written, communication lost).
    bool SaveChanges();
    // After the read-back: saved, or which written settings the unit does not hold and which
    // edits it does not take.
    void TellWhatTheUnitHolds(const WriteSessionResult& result);
    bool Busy() const { return Running() || ending_; }

    WindowHost& host_;
    ReportLayer& reports_;
    PageSet& pages_;
    Pauser pauser_;
    bool running_ = false;
    bool ending_ = false;
    bool simulatedUnit_ = false;
};

}  // namespace upsconfig
