#pragma once

#include "device/ReportLayer.h"

namespace upsconfig {

// How a read of every report ended, worst last.
enum class ReadOutcome {
    Complete,     // every report read, every byte of the image the unit's
    Partial,      // the unit answered with a model code, but some report never came
    NoModelCode,  // the unit answered with model code 0: it has not really answered
    NoAnswer,     // the link is lost
};

struct UnitReading {
    ReadOutcome outcome = ReadOutcome::NoAnswer;
    int modelCode = 0;

    // The unit is there: it answered and named a model. Model code 0 is no contact.
    bool Contact() const {
        return outcome == ReadOutcome::Complete || outcome == ReadOutcome::Partial;
    }
};

// Reads every report of the unit into the report layer's image, as the window's start and the
// command line do, and says what came of it.
UnitReading ReadUnit(ReportLayer& reports);

}  // namespace upsconfig
