#include "session/ReadUnit.h"

namespace upsconfig {

UnitReading ReadUnit(ReportLayer& reports) {
    const bool all = reports.ReadAllReports();
    UnitReading reading;
    reading.modelCode = static_cast<int>(GetField(reports.Image(), FieldId::bModelCode));
    if (!reports.Connected()) {
        reading.outcome = ReadOutcome::NoAnswer;
    } else if (reading.modelCode == 0) {
        reading.outcome = ReadOutcome::NoModelCode;
    } else if (!all || !reports.ImageFromUnit()) {
        reading.outcome = ReadOutcome::Partial;
    } else {
        reading.outcome = ReadOutcome::Complete;
    }
    return reading;
}

}  // namespace upsconfig
