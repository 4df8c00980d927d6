#include "app/WindowActions.h"

#include <QFileInfo>
#include <optional>

#include "app/LanguageUpload.h"
#include "app/PageSet.h"
#include "app/WindowTexts.h"
#include "framework/AppServices.h"
#include "framework/BusyScope.h"
#include "pages/ParallelPage.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"
#include "resources/QtText.h"
#include "session/WriteSession.h"
#include "settingsfile/Backups.h"
#include "unit/ApplyChanges.h"
#include "unit/ApplyPlan.h"

namespace upsconfig {
namespace {

using namespace window_texts;

// What an Apply would write, one change a line, as the pages show the values.
QString ChangesText(const ApplyPlan& plan) {
    if (plan.changes.empty()) return QStringLiteral("No setting differs from what the UPS holds.");
    const int model = static_cast<int>(GetField(plan.write, FieldId::bModelCode));
    QStringList lines;
    for (const SettingChange& change : plan.changes)
        lines << QString::fromStdString(DescribeChange(change, model));
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

WindowActions::WindowActions(WindowHost& host, ReportLayer& reports, PageSet& pages, Pauser pauser)
    : host_(host), reports_(reports), pages_(pages), pauser_(std::move(pauser)) {
    pages_.SetCommandGate([this] { return MayWrite(); });
}

void WindowActions::LoadPagesFromUnit() {
    LoadPagesFromImage();
    pagesBase_ = Image();
}

bool WindowActions::Running() const { return running_ || BusyScope::Active(); }

QWidget* WindowActions::Owner() { return host_.Owner(); }
bool WindowActions::PagesLoaded() const { return pages_.Loaded(); }
bool WindowActions::StorePagesWithTabs(SettingsImage& image) { return pages_.StoreWithTabs(image); }
void WindowActions::ShareImage() { pages_.Share(Image()); }
void WindowActions::LoadPagesFromImage() { pages_.Load(Image()); }

bool WindowActions::Reload(bool keepPages) {
    KeepUnit();  // what the pages load stays the unit's until they write
    const bool all = reports_.ReadAllReports();
    // A report never read leaves start values in the image: the pages wait for a read that
    // brings all of them.
    if (!keepPages && reports_.Connected() && reports_.ImageFromUnit()) {
        LoadPagesFromUnit();
        host_.SetNote({});  // what an Upload or Factory Setting left on the pages is gone
    }
    pages_.Ups()->UpdateForUpsState(reports_.Flags().upsOn);
    const bool fresh = all && reports_.Connected();
    if (fresh && following_) {
        linkSeen_ = true;
        if (!unitAnswers_) UnitAnswers(true);
    }
    return fresh;
}

bool WindowActions::PagesHoldChanges(ApplyPlan* plan) {
    if (!PagesLoaded() || !reports_.ImageFromUnit()) return false;
    // What an Apply would write now, against the unit as last read: edits, an Upload and
    // Factory Setting alike. An entry a page refuses is typing of the user's too.
    SettingsImage held = unitImage_;
    const bool stored = pages_.StoreQuietly(held);
    ApplyPlan planned = PlanApply(unitImage_, held);
    const bool changes = !stored || !planned.changes.empty();
    if (plan != nullptr) *plan = std::move(planned);
    return changes;
}

bool WindowActions::LeavePages(const QString& leaving) {
    ApplyPlan plan;
    if (!PagesHoldChanges(&plan)) return true;
    const int answer = ShowMessage(
        Owner(),
        QStringLiteral("The pages hold changes that have not been applied to the UPS; %1 "
                       "discards them.\n\nYes applies them first, No discards them, Cancel "
                       "goes back to the pages.")
            .arg(leaving),
        QStringLiteral("Changes not applied"),
        MessageStyle::YesNoCancel | MessageStyle::IconExclamation,
        plan.changes.empty() ? QStringLiteral("An entry on the pages is not valid.")
                             : ChangesText(plan));
    if (answer == ButtonId::No) return true;
    if (answer != ButtonId::Yes) return false;
    running_ = true;
    const bool saved = RunApply(false);
    running_ = false;
    return saved;
}

bool WindowActions::MayClose() { return LeavePages(kClosing); }

void WindowActions::Refresh() {
    if (Busy()) return;
    if (!following_) {
        LookForUnit();
        return;
    }
    if (!reports_.Connected()) {
        ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop);
        return;
    }
    if (!LeavePages(QStringLiteral("Refresh"))) return;
    BusyScope busy(kReading, [this](const QString& text) { host_.SetStatusText(text); });
    // The tabs follow the model code of the previous read: a unit swapped in between shows its
    // own tabs one Refresh later.
    pages_.RebuildTabs(static_cast<int>(GetField(Image(), FieldId::bModelCode)),
                       reports_.Flags().testInfo.load() != 0);
    // Fresh values or the word that there are none: a unit gone since the last status read
    // fails here first.
    if (!Reload()) ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop);
    pages_.ApplyState();
}

void WindowActions::Apply() {
    if (Busy()) return;
    if (!PagesLoaded()) {
        // The pages never held the unit's values: storing them would put start values over
        // the unit's settings.
        ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop);
        return;
    }
    running_ = true;
    RunApply(true);
    running_ = false;
}

bool WindowActions::RunApply(bool ask) {
    const SaveOutcome saved = SaveChanges(ask);
    if (saved.reload) {
        BusyScope busy(kWaiting, [this](const QString& text) { host_.SetStatusText(text); });
        pauser_(kApplyWaitMs);
        host_.SetStatusText(kReading);
        Reload(saved.keepPages);
    }
    return saved.saved;
}

WindowActions::SaveOutcome WindowActions::SaveChanges(bool ask) {
    const auto status = [this](const QString& text) { host_.SetStatusText(text); };
    // Nobody else writes from before the read until the read-back. The link found again by
    // the reads is held from there.
    if (!MayWrite()) return {false, false};
    bool read = false;
    {
        BusyScope busy(kReading, status);
        reports_.ReadStatus();
        read = reports_.ReadAllReports() && reports_.Connected();
    }
    if (read && !MayWrite()) return {false, false};
    const SettingsImage asRead = Image();
    SettingsImage edited = Image();
    // An entry a page refuses ends the Apply before anything is written, the edits kept.
    if (!StorePagesWithTabs(edited)) return {false, false};

    // Only what the user changed is written: a value the pages merely could not carry (a
    // hidden box, seconds below a minute, a code without a list item) stays as the unit has it.
    ApplyPlan plan = PlanApply(asRead, edited);
    // Changed, that is, from what the pages were loaded from. Where the unit holds something
    // else now, or a report could not be read, only those changes count; they go over what
    // the unit holds now, never the pages' old values of what someone else changed.
    const bool changedMeanwhile = read && pagesBase_ && ChangesAnySetting(asRead, *pagesBase_);
    if (pagesBase_ && (!read || changedMeanwhile)) {
        SettingsImage fromBase = *pagesBase_;
        pages_.StoreQuietly(fromBase);
        plan = PlanApply(*pagesBase_, fromBase);
        if (changedMeanwhile) plan = PlanOnTopOf(asRead, plan);
    }
    const int answer =
        !ask ? ButtonId::Yes
             : ShowMessage(Owner(), kSaveQuestion, kSaveCaption,
                           MessageStyle::YesNoCancel | MessageStyle::IconQuestion,
                           changedMeanwhile
                               ? kChangedMeanwhile + QStringLiteral("\n\n") + ChangesText(plan)
                               : ChangesText(plan));
    // Cancel goes back to the pages as they are; No discards the edits with the reload.
    if (answer == ButtonId::Cancel) return {false, false};
    if (answer != ButtonId::Yes) return {true, false};
    if (!read) {
        // The image lacks the unit's bytes of a report not read: nothing is written from it,
        // and the pages keep what they hold for the next Apply.
        ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop);
        return {true, false, true};
    }

    const int model = static_cast<int>(GetField(asRead, FieldId::bModelCode));
    const std::string unit =
        BackupUnitName(model, reports_.Link().OpenedInterface().serial, simulatedUnit_);
    WriteSession session(reports_, {BackupRootFromEnvironment(), unit}, pauser_);
    std::optional<BusyScope> busy;
    session.progress = [&](WriteStep step) {
        if (step == WriteStep::Reading) {
            host_.SetStatusText(kReading);
            return;
        }
        busy.reset();
        busy.emplace(step == WriteStep::Writing ? kWriting : kWaiting, status);
    };
    session.readBack = [this] { return Reload(); };
    const WriteSessionResult result = session.Run(asRead, plan);
    busy.reset();

    switch (result.end) {
        case WriteEnd::NothingToWrite:
            if (!result.ignored.empty()) TellWhatTheUnitHolds(result);
            return {true, true};
        case WriteEnd::BackupFailed:
            ShowMessage(Owner(),
                        QStringLiteral("The settings of the UPS could not be kept as a backup "
                                       "in\n%1\n\nReason: %2\n\nNothing was written.")
                            .arg(QString::fromStdString(result.backupFolder),
                                 QString::fromLocal8Bit(result.backupFailure)),
                        kSaveCaption, MessageStyle::Ok | MessageStyle::IconStop);
            return {false, false};
        case WriteEnd::CommunicationLost:
            ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop);
            return {true, false};
        case WriteEnd::NotReadBack:
            ShowMessage(Owner(),
                        QStringLiteral("The settings were sent, but they could not be read back "
                                       "from the UPS to check them.\n\nPress Refresh to see what "
                                       "the UPS holds."),
                        kSavedCaption, MessageStyle::Ok | MessageStyle::IconExclamation);
            return {false, false};
        case WriteEnd::ReadBack:
            TellWhatTheUnitHolds(result);
            return {false, true};
    }
    return {false, false};
}

void WindowActions::TellWhatTheUnitHolds(const WriteSessionResult& result) {
    if (result.unheld.empty() && result.ignored.empty()) {
        ShowMessage(Owner(), LoadText(ids::text::kSaved), kSavedCaption, MessageStyle::Ok);
        return;
    }
    const int model = static_cast<int>(GetField(Image(), FieldId::bModelCode));
    QString text;
    if (!result.unheld.empty()) {
        text = QStringLiteral("The UPS does not hold these settings as they were written:\n");
        for (const UnheldSetting& setting : result.unheld)
            text += QStringLiteral("\n") + QString::fromStdString(DescribeUnheld(setting, model));
    }
    if (!result.ignored.empty()) {
        if (!text.isEmpty()) text += QStringLiteral("\n\n");
        text += QStringLiteral("These edits were not written: this unit does not take them.\n");
        for (const IgnoredValue& ignored : result.ignored)
            text += QStringLiteral("\n") + QString::fromStdString(SettingName(*ignored.setting));
    }
    ShowMessage(Owner(), text, kSavedCaption, MessageStyle::Ok | MessageStyle::IconExclamation);
}

void WindowActions::FactorySetting() {
    if (Busy()) return;
    if (UpsOn()) {
        ShowMessage(Owner(), kFactoryOnlineText, kFactoryCaption, MessageStyle::Ok);
        return;
    }
    if (ShowMessage(Owner(), kFactoryQuestion, kFactoryCaption,
                    MessageStyle::YesNoCancel | MessageStyle::IconQuestion) != ButtonId::Yes)
        return;
    pages_.SetFactoryDefaults();
    host_.SetNote(
        QStringLiteral("The pages show the factory settings; Apply writes them to the UPS."));
}

void WindowActions::Exit() {
    if (Running()) return;
    if (!MayClose()) return;
    EndWindow(kExitStepMs);
}

void WindowActions::EndWindow(int settleMs) {
    if (ending_) return;
    ending_ = true;
    reports_.Flags().StopPolling();
    // The monitor finishes its pass (a status read in progress gives up before its next
    // attempt); only then may the window and its pages go.
    do {
        pauser_(settleMs);
    } while (host_.MonitorRunning());
    lock_.Release();  // the window writes no more
    host_.CloseWindow();
}

void WindowActions::Download() {
    if (Busy()) return;
    DownloadSettings(*this);
}

void WindowActions::Upload() {
    if (Busy()) return;
    if (const std::optional<QString> file = UploadSettings(*this))
        host_.SetNote(
            QStringLiteral("The pages show the settings of %1; Apply writes them to the UPS.")
                .arg(QFileInfo(*file).fileName()));
}

void WindowActions::UploadLanguage() {
    // The upload ends the window, so it asks about changes not applied as closing does.
    if (Busy() || !MayWrite() ||
        !LeavePages(QStringLiteral("the language upload, which closes the window,")))
        return;
    upsconfig::UploadLanguage(
        Owner(), reports_, pauser_, [this] { return host_.MonitorRunning(); },
        [this] { EndWindow(kExitStepMs); });
}

}  // namespace upsconfig
