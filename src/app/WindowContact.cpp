// The window and its unit: the unit's lock held while the window is up, the link followed
// while the unit goes and comes back, and the unit looked for again after a start without it.
#include "app/PageSet.h"
#include "app/WindowActions.h"
#include "app/WindowTexts.h"
#include "framework/AppServices.h"
#include "framework/BusyScope.h"
#include "pages/ParallelPage.h"
#include "session/ReadUnit.h"

namespace upsconfig {

using namespace window_texts;

void WindowActions::HoldUnitLock(std::filesystem::path lockFolder) {
    lockFolder_ = std::move(lockFolder);
    KeepUnit();
}

LockAttempt WindowActions::KeepUnit() {
    if (!lockFolder_ || !reports_.Connected()) return {LockAttempt::End::Taken, {}, {}};
    return lock_.Take(UnitLock::PlaceOf(reports_.Link().OpenedInterface(), *lockFolder_));
}

bool WindowActions::MayWrite() {
    const LockAttempt attempt = KeepUnit();
    if (attempt.Taken()) return true;
    ShowMessage(Owner(),
                attempt.Held()
                    ? QStringLiteral("The UPS is in use by %1, which writes to it.\n\nNothing was "
                                     "sent to the UPS. Try again when that program has finished.")
                          .arg(QString::fromStdString(HolderText(attempt.holder)))
                    : QStringLiteral("The UPS could not be reserved for this program: %1\n\n"
                                     "Nothing was sent to the UPS.")
                          .arg(QString::fromLocal8Bit(attempt.reason)),
                kInUseCaption, MessageStyle::Ok | MessageStyle::IconExclamation);
    return false;
}

void WindowActions::LoadAfterContact() {
    pages_.RebuildTabs(static_cast<int>(GetField(Image(), FieldId::bModelCode)),
                       reports_.Flags().testInfo.load() != 0);
    pauser_(kReloadDelayMs);
    Reload();  // the UPS page takes the state here
    pages_.Parallel()->UpdateForUpsState(reports_.Flags().upsOn);
}

void WindowActions::LookForUnit() {
    bool contact = false;
    {
        BusyScope busy(QStringLiteral("Looking for the UPS..."),
                       [this](const QString& text) { host_.SetStatusText(text); });
        contact = ReadUnit(reports_).Contact();
    }
    if (!contact) {
        ShowMessage(Owner(), kCommLostText, kCommLostCaption, MessageStyle::IconStop,
                    host_.Diagnosis());
        return;
    }
    BusyScope busy(kReading, [this](const QString& text) { host_.SetStatusText(text); });
    host_.StartFollowing();
    LoadAfterContact();
}

void WindowActions::ContactMade() {
    KeepUnit();
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
    KeepUnit();
    const UnitReading reading = ReadUnit(reports_);
    if (reading.outcome != ReadOutcome::Complete) return;
    pages_.RebuildTabs(reading.modelCode, reports_.Flags().testInfo.load() != 0);
    LoadPagesFromUnit();
    host_.SetNote({});
    UnitAnswers(true);
}

}  // namespace upsconfig
