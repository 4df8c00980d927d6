#include "app/WindowActions.h"

#include <QFileInfo>
#include <optional>

#include "app/LanguageUpload.h"
#include "app/PageSet.h"
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

const QString kCommLostText = QStringLiteral("communication lost,\nplease try again");
const QString kCommLostCaption = QStringLiteral("communication lost");
const QString kSaveQuestion = QStringLiteral("Do you want to save change?");
const QString kSaveCaption = QStringLiteral("Save setting");
const QString kSavedCaption = QStringLiteral("Setting");
const QString kFactoryOnlineText = QStringLiteral(
    "Can't reset to factory defaults while the UPS is online.\r\n Please change to standby mode "
    "and try again.");
const QString kFactoryQuestion =
    QStringLiteral("Do you want to change to Factory Default configuration?");
const QString kFactoryCaption = QStringLiteral("Factory Default");
const QString kReading = QStringLiteral("Reading the settings of the UPS...");
const QString kWriting = QStringLiteral("Writing the settings to the UPS...");
const QString kWaiting = QStringLiteral("Waiting for the UPS to take the settings...");
const QString kClosing = QStringLiteral("closing the window");
const QString kUnitGone = QStringLiteral(
    "Communication lost: the UPS does not answer. The pages show the values last read.");

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
    : host_(host), reports_(reports), pages_(pages), pauser_(std::move(pauser)) {}

bool WindowActions::Running() const { return running_ || BusyScope::Active(); }

QWidget* WindowActions::Owner() { return host_.Owner(); }
bool WindowActions::PagesLoaded() const { return pages_.Loaded(); }
bool WindowActions::StorePagesWithTabs(SettingsImage& image) { return pages_.StoreWithTabs(image); }
void WindowActions::ShareImage() { pages_.Share(Image()); }
void WindowActions::LoadPagesFromImage() { pages_.Load(Image()); }

bool WindowActions::Reload() {
    const bool all = reports_.ReadAllReports();
    // A report never read leaves start values in the image: the pages wait for a read that
    // brings all of them.
    if (reports_.Connected() && reports_.ImageFromUnit()) {
        LoadPagesFromImage();
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

void WindowActions::LoadAfterContact() {
    pages_.RebuildTabs(static_cast<int>(GetField(Image(), FieldId::bModelCode)),
                       reports_.Flags().testInfo.load() != 0);
    pauser_(kReloadDelayMs);
    Reload();  // the UPS page takes the state here
    pages_.Parallel()->UpdateForUpsState(reports_.Flags().upsOn);
}

void WindowActions::LookForUnit() {
    {
        BusyScope busy(QStringLiteral("Looking for the UPS..."),
                       [this](const QString& text) { host_.SetStatusText(text); });
        reports_.ReadAllReports();
    }
    if (!reports_.Connected() || GetField(Image(), FieldId::bModelCode) == 0) {
        ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop,
                    host_.Diagnosis());
        return;
    }
    BusyScope busy(kReading, [this](const QString& text) { host_.SetStatusText(text); });
    host_.StartFollowing();
    LoadAfterContact();
}

void WindowActions::ContactMade() {
    following_ = true;
    linkSeen_ = true;
    UnitAnswers(true);
}

void WindowActions::UnitAnswers(bool answers) {
    unitAnswers_ = answers;
    host_.SetCondition(answers ? QString() : kUnitGone);
    host_.EnableUnitActions(answers);
    pages_.ApplyState();
}

void WindowActions::FollowLink() {
    const bool connected = reports_.Connected();
    if (!following_ || connected == linkSeen_ || Busy() || reports_.Flags().keepPolling.load() == 0)
        return;
    linkSeen_ = connected;
    if (!connected) {
        UnitAnswers(false);
        return;
    }
    // Typed work is worth more than a fresh look: the pages keep it, and Apply reads anyway.
    if (PagesHoldChanges(nullptr)) {
        host_.SetNote(
            QStringLiteral("The UPS answers again; the pages keep the changes not yet "
                           "applied."));
        UnitAnswers(true);
        return;
    }
    BusyScope busy(kReading, [this](const QString& text) { host_.SetStatusText(text); });
    const bool read = reports_.ReadAllReports();
    const int model = static_cast<int>(GetField(Image(), FieldId::bModelCode));
    if (!read || !reports_.Connected() || model == 0) return;
    pages_.RebuildTabs(model, reports_.Flags().testInfo.load() != 0);
    LoadPagesFromImage();
    host_.SetNote({});
    UnitAnswers(true);
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
        Reload();
    }
    return saved.saved;
}

WindowActions::SaveOutcome WindowActions::SaveChanges(bool ask) {
    const auto status = [this](const QString& text) { host_.SetStatusText(text); };
    {
        BusyScope busy(kReading, status);
        reports_.ReadStatus();
        reports_.ReadAllReports();
    }
    const SettingsImage asRead = Image();
    SettingsImage edited = Image();
    // An entry a page refuses ends the Apply before anything is written, the edits kept.
    if (!StorePagesWithTabs(edited)) return {false, false};

    // Only what the user changed is written: a value the pages merely could not carry (a
    // hidden box, seconds below a minute, a code without a list item) stays as the unit has it.
    const ApplyPlan plan = PlanApply(asRead, edited);
    const int answer = !ask ? ButtonId::Yes
                            : ShowMessage(Owner(), kSaveQuestion, kSaveCaption,
                                          MessageStyle::YesNoCancel | MessageStyle::IconQuestion,
                                          ChangesText(plan));
    // Cancel goes back to the pages as they are; No discards the edits with the reload.
    if (answer == ButtonId::Cancel) return {false, false};
    if (answer != ButtonId::Yes) return {true, false};

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
            // The reads before the question failed: nothing could have been sent.
            if (!reports_.Connected()) {
                ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop);
                return {true, false};
            }
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
    if (Busy()) return;
    upsconfig::UploadLanguage(
        Owner(), reports_, pauser_, [this] { return host_.MonitorRunning(); },
        [this] { EndWindow(kExitStepMs); });
}

}  // namespace upsconfig
