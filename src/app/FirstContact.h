#pragma once

#include <QString>
#include <functional>

#include "device/ReportLayer.h"

class QWidget;

namespace upsconfig {

class LookingForUpsWindow;

enum class FirstContact { Found, Ignored, Cancelled };

// The first contact with the unit at start-up: reads every report until a unit answers with a
// model code, and after every round that finds none asks the user through the
// communication-error dialog (Retry, Ignore, Cancel), which shows what `diagnose` says of why.
// The looking-for window shows while a round takes long.
FirstContact FindUnit(QWidget* owner, ReportLayer& reports, LookingForUpsWindow& looking,
                      const std::function<QString()>& diagnose);

}  // namespace upsconfig
