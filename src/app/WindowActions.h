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
    // The status line under the buttons: the work under way (empty: none). It shows in place of
    // the notes below while there is some.
    virtual void SetStatusText(const QString& text) = 0;
    // What the last step did, for the user to read afterwards (empty clears it).
    virtual void SetNote(const QString& text) = 0;
    // A lasting state of the unit, shown in place of the note while it holds (empty: none).
    virtual void SetCondition(const QString& text) = 0;
    virtual bool MonitorRunning() const = 0;
    // Offers or takes away the window's buttons that need the unit (Apply, Upload language).
    virtual void EnableUnitActions(bool enabled) = 0;
    // A unit was found: the buttons and page controls come back, the monitor starts.
    virtual void StartFollowing() = 0;
    // Why no unit is reachable, in words, with the fix.
    virtual QString Diagnosis() = 0;
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
    // Before the pages are replaced or the window goes (`leaving` says which, e.g. "Refresh"):
    // when the pages hold what the unit does not (edits, an Upload or Factory Setting not yet
    // applied), asks whether to apply them first, discard them or go back. True when the caller
    // may go on: nothing held, discarded, or applied and written.
    bool LeavePages(const QString& leaving);
    // The same for closing the window.
    bool MayClose();
    // The settings image as a read from the unit left it (an Upload does not change it).
    void UnitImageRead(const SettingsImage& image) { unitImage_ = image; }

    // The first contact found the unit: from here on the window follows the link.
    void ContactMade();
    // What follows a first contact: the tabs for the model, a short wait, the reload.
    void LoadAfterContact();
    // After every monitor pass and every action: the link lost is said at once and the actions
    // that need the unit go; the link back, the unit is read and the pages loaded as after a
    // first contact (pages holding changes not applied keep them). Does nothing while an action
    // runs or the window ends; the next call looks again.
    void FollowLink();
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
    // What SaveChanges leaves to the rest of the Apply.
    struct SaveOutcome {
        bool reload = true;  // the Apply still has to wait and reload
        bool saved = false;  // the unit holds what the pages asked for (perhaps nothing)
    };
    // The Apply; `ask` false when the user has already said to apply. True when saved.
    bool RunApply(bool ask);
    // Reads, stores the pages, asks (unless told not to) and hands the plan to the write
    // session.
    SaveOutcome SaveChanges(bool ask);
    // After the read-back: saved, or which written settings the unit does not hold and which
    // edits it does not take.
    void TellWhatTheUnitHolds(const WriteSessionResult& result);
    bool Busy() const { return Running() || ending_; }
    bool PagesHoldChanges(ApplyPlan* plan);
    // Refresh after Ignore: looks for the unit again; found, the window comes to life as at a
    // first contact, else says why not.
    void LookForUnit();
    // The unit answers (true) or not: the status line and the actions that need it follow.
    void UnitAnswers(bool answers);

    WindowHost& host_;
    ReportLayer& reports_;
    PageSet& pages_;
    Pauser pauser_;
    bool running_ = false;
    bool ending_ = false;
    bool simulatedUnit_ = false;
    SettingsImage unitImage_;
    bool following_ = false;    // a unit was found: the window follows the link
    bool linkSeen_ = false;     // the link's state FollowLink last acted on
    bool unitAnswers_ = false;  // the window counts the unit as there
};

}  // namespace upsconfig
