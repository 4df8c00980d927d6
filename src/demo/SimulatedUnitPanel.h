#pragma once

#include <QWidget>
#include <mutex>
#include <vector>

#include "sim/SimulatedUps.h"

class QCheckBox;
class QListWidget;
class QSpinBox;

namespace upsconfig {

// "Simulated unit": the demo's window that drives the simulated unit beside the tool, so a user
// without hardware can watch the tool react - the unit's identity, online or standby, outlets,
// the battery test, the cable, failing transfers, a refused report - and reads the reports
// exchanged. It follows what the tool's commands do to the unit after every transfer. Made with the
// tool's window as parent, it stays usable while that window runs modally; it must be gone before
// the bus.
class SimulatedUnitPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kLogLines = 200;  // the log keeps the newest this many

    explicit SimulatedUnitPanel(SimulatedUps& bus, QWidget* parent = nullptr);
    ~SimulatedUnitPanel() override;

    // Shows the unit as it is now.
    void FollowUnit();
    SimulatedUps& Bus() { return bus_; }

    // Where a window of `size` goes beside `beside` (frames, screen coordinates), inside the
    // screen's `available` area: to its right, else to its left, else as far right as the area
    // allows, over it; never larger than the area.
    static QRect PlaceBeside(const QRect& beside, QSize size, const QRect& available);
    // Shows the panel so placed beside the tool's window, which stays the active one.
    void ShowBeside(QWidget& window);

  private:
    void AddToLog(const SimulatedUps::Transfer& transfer);
    void ApplyRefusal();

    SimulatedUps& bus_;
    SimulatedUnit& unit_;
    QSpinBox* model_;
    QSpinBox* versions_[3];
    QCheckBox* online_;
    QCheckBox* outlets_[2];
    QCheckBox* batteryTest_;
    QCheckBox* plugged_;
    QSpinBox* failCount_;
    QCheckBox* refuse_;
    QSpinBox* refusedId_;
    QListWidget* log_;
    std::mutex pendingMutex_;
    std::vector<SimulatedUps::Transfer> pending_;  // not yet in the log
};

}  // namespace upsconfig
