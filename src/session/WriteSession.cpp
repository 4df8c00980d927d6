#include "session/WriteSession.h"

#include <utility>

#include "device/Protocol.h"
#include "platform/Platform.h"
#include "session/ReadUnit.h"
#include "settingsfile/Backups.h"

namespace upsconfig {

WriteSession::WriteSession(ReportLayer& reports, BackupPlace backup, Pauser pauser)
    : reports_(reports), backup_(std::move(backup)), pauser_(std::move(pauser)) {}

void WriteSession::Show(WriteStep step) const {
    if (progress) progress(step);
}

WriteSessionResult WriteSession::Run(const SettingsImage& asRead, const ApplyPlan& plan) {
    WriteSessionResult result;
    result.ignored = plan.ignored;
    if (plan.changes.empty()) return result;

    // No setting is ever lost: what the unit held goes to a backup before the first byte.
    if (backup_.root) result.backupFolder = (*backup_.root / backup_.unit).string();
    WriteResult kept;
    kept.reason = std::string("no data folder (") + platform::WhyNoDataHome() + ")";
    if (backup_.root)
        kept = SaveBackup(*backup_.root, backup_.unit, asRead, plan.ChangedKeys(), backup_.clock,
                          &result.backup);
    if (!kept) {
        result.end = WriteEnd::BackupFailed;
        result.backupFailure = kept.reason;
        return result;
    }

    ReportLayer::AdoptImage(plan.write, reports_.Image());
    const SettingsImage written = reports_.Image();
    Show(WriteStep::Writing);
    const WriteOutcome outcome = reports_.WriteReports(written, asRead);
    result.writtenBytes = outcome.writtenBytes;
    for (const protocol::SettingsReport& report : protocol::kSettingsReports)
        if (outcome.writtenBytes[*protocol::ImageOffset(report.id)])
            result.reports.push_back(report.id);
    // A report given up is lost even when a later one found the unit again.
    if (!outcome.allWritten || !reports_.Connected()) {
        result.end = WriteEnd::CommunicationLost;
        result.linkFailure = reports_.LastFailure();
        return result;
    }

    Show(WriteStep::Waiting);
    pauser_(kApplyWaitMs);
    Show(WriteStep::Reading);
    const bool readAgain =
        readBack ? readBack() : ReadUnit(reports_).outcome == ReadOutcome::Complete;
    if (!readAgain) {
        result.end = WriteEnd::NotReadBack;
        return result;
    }
    result.end = WriteEnd::ReadBack;
    result.held = reports_.Image();
    result.unheld = FindUnheldSettings(written, result.held, outcome.writtenBytes);
    return result;
}

}  // namespace upsconfig
