#include "demo/SimulatedUnitPanel.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace upsconfig {
namespace {

QSpinBox* ByteSpinBox(const QString& name, int base = 10) {
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(0, 255);
    box->setDisplayIntegerBase(base);
    if (base == 16) box->setPrefix(QStringLiteral("0x"));
    return box;
}

QCheckBox* CheckBox(const QString& text, const QString& name) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    return box;
}

void SetQuietly(QCheckBox* box, bool checked) {
    const QSignalBlocker quiet(box);
    box->setChecked(checked);
}

void SetQuietly(QSpinBox* box, int value) {
    if (box->hasFocus()) return;  // the user is typing into it
    const QSignalBlocker quiet(box);
    box->setValue(value);
}

// "write 0x44  44 01 00 03 00", newest first; a failed transfer says so.
QString LogLine(const SimulatedUps::Transfer& transfer) {
    QString line = transfer.direction == SimulatedUps::Direction::Set ? QStringLiteral("write ")
                                                                      : QStringLiteral("read  ");
    line += QStringLiteral("0x%1 ").arg(transfer.id, 2, 16, QLatin1Char('0'));
    if (!transfer.ok) return line + QStringLiteral(" failed");
    for (std::uint8_t byte : transfer.bytes)
        line += QStringLiteral(" %1").arg(byte, 2, 16, QLatin1Char('0'));
    return line;
}

}  // namespace

SimulatedUnitPanel::SimulatedUnitPanel(SimulatedUps& bus, QWidget* parent)
    : QWidget(parent, Qt::Window), bus_(bus), unit_(bus.Unit()) {
    setWindowTitle(QStringLiteral("Simulated unit"));

    auto* identity = new QGroupBox(QStringLiteral("Identity"));
    auto* identityForm = new QFormLayout(identity);
    model_ = ByteSpinBox(QStringLiteral("modelCode"));
    identityForm->addRow(QStringLiteral("Model code:"), model_);
    const QString versionNames[] = {QStringLiteral("hardwareVersion"),
                                    QStringLiteral("powerFirmwareVersion"),
                                    QStringLiteral("monitorFirmwareVersion")};
    const QString versionLabels[] = {QStringLiteral("Hardware version:"),
                                     QStringLiteral("Power firmware:"),
                                     QStringLiteral("Monitor firmware (0 = none):")};
    for (int i = 0; i < 3; ++i) {
        versions_[i] = ByteSpinBox(versionNames[i]);
        identityForm->addRow(versionLabels[i], versions_[i]);
    }

    auto* state = new QGroupBox(QStringLiteral("State"));
    auto* stateColumn = new QVBoxLayout(state);
    online_ = CheckBox(QStringLiteral("Online (cleared: standby)"), QStringLiteral("online"));
    outlets_[0] = CheckBox(QStringLiteral("Outlet 1 on"), QStringLiteral("outlet1"));
    outlets_[1] = CheckBox(QStringLiteral("Outlet 2 on"), QStringLiteral("outlet2"));
    batteryTest_ = CheckBox(QStringLiteral("Battery test running"), QStringLiteral("batteryTest"));
    plugged_ = CheckBox(QStringLiteral("Plugged in"), QStringLiteral("plugged"));
    for (QCheckBox* box : {online_, outlets_[0], outlets_[1], batteryTest_, plugged_})
        stateColumn->addWidget(box);

    auto* faults = new QGroupBox(QStringLiteral("Faults"));
    auto* faultsForm = new QFormLayout(faults);
    failCount_ = new QSpinBox;
    failCount_->setObjectName(QStringLiteral("failCount"));
    failCount_->setRange(1, 99);
    failCount_->setValue(3);
    auto* failNext = new QPushButton(QStringLiteral("Fail next transfers"));
    failNext->setObjectName(QStringLiteral("failNext"));
    faultsForm->addRow(failNext, failCount_);
    refuse_ = CheckBox(QStringLiteral("Refuse writes of report"), QStringLiteral("refuse"));
    refusedId_ = ByteSpinBox(QStringLiteral("refusedId"), 16);
    refusedId_->setValue(0x32);
    faultsForm->addRow(refuse_, refusedId_);

    log_ = new QListWidget;
    log_->setObjectName(QStringLiteral("log"));
    log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    log_->setSelectionMode(QAbstractItemView::NoSelection);
    // The log grows at every status read; a style's shaded scroll bar is redrawn on the thread
    // pool each time, a dozen wake-ups with nobody at the window. A flat one costs nothing.
    log_->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: palette(window); width: 12px; margin: 0; }"
        "QScrollBar::handle:vertical { background: palette(mid); min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));

    auto* controls = new QVBoxLayout;
    for (QGroupBox* group : {identity, state, faults})
        controls->addWidget(group);
    controls->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(log_, 1);

    connect(model_, &QSpinBox::valueChanged, this,
            [this](int code) { unit_.SetModelCode(static_cast<std::uint8_t>(code)); });
    for (QSpinBox* box : versions_) {
        connect(box, &QSpinBox::valueChanged, this, [this] {
            unit_.SetVersions(static_cast<std::uint8_t>(versions_[0]->value()),
                              static_cast<std::uint8_t>(versions_[1]->value()),
                              static_cast<std::uint8_t>(versions_[2]->value()));
        });
    }
    connect(online_, &QCheckBox::toggled, this, [this](bool on) { unit_.SetOnline(on); });
    for (int outlet : {1, 2}) {
        connect(outlets_[outlet - 1], &QCheckBox::toggled, this,
                [this, outlet](bool on) { unit_.SetOutlet(outlet, on); });
    }
    connect(batteryTest_, &QCheckBox::toggled, this,
            [this](bool running) { unit_.SetBatteryTestRunning(running); });
    connect(plugged_, &QCheckBox::toggled, this, [this](bool in) {
        if (in) {
            bus_.Replug();
        } else {
            bus_.Unplug();
        }
    });
    connect(failNext, &QPushButton::clicked, this,
            [this] { bus_.FailNextTransfers(failCount_->value()); });
    connect(refuse_, &QCheckBox::toggled, this, &SimulatedUnitPanel::ApplyRefusal);
    connect(refusedId_, &QSpinBox::valueChanged, this, &SimulatedUnitPanel::ApplyRefusal);

    // Transfers come from the monitor thread too. A burst of them (a status read is two) is
    // handed over in one call, so the log repaints once for it.
    bus_.SetTransferListener([this](const SimulatedUps::Transfer& transfer) {
        std::lock_guard lock(pendingMutex_);
        pending_.push_back(transfer);
        if (pending_.size() > 1) return;  // a call is on its way
        QMetaObject::invokeMethod(
            this,
            [this] {
                std::vector<SimulatedUps::Transfer> transfers;
                {
                    std::lock_guard lock(pendingMutex_);
                    transfers.swap(pending_);
                }
                for (const SimulatedUps::Transfer& t : transfers)
                    AddToLog(t);
                FollowUnit();
            },
            Qt::QueuedConnection);
    });
    // The unit changes only through transfers and this window's own controls: the listener
    // says when, and nothing needs to look in between.
    FollowUnit();
}

SimulatedUnitPanel::~SimulatedUnitPanel() { bus_.SetTransferListener(nullptr); }

void SimulatedUnitPanel::FollowUnit() {
    SetQuietly(model_, unit_.ModelCode());
    const auto versions = unit_.Versions();
    for (std::size_t i = 0; i < versions.size(); ++i)
        SetQuietly(versions_[i], versions[i]);
    SetQuietly(online_, unit_.Online());
    SetQuietly(outlets_[0], unit_.OutletOn(1));
    SetQuietly(outlets_[1], unit_.OutletOn(2));
    SetQuietly(batteryTest_, unit_.BatteryTestRunning());
    SetQuietly(plugged_, bus_.Plugged());
    const std::optional<std::uint8_t> refused = unit_.RefusedReport();
    SetQuietly(refuse_, refused.has_value());
    if (refused) SetQuietly(refusedId_, *refused);
}

QRect SimulatedUnitPanel::PlaceBeside(const QRect& beside, QSize size, const QRect& available) {
    constexpr int kGap = 12;
    size = size.boundedTo(available.size());
    QRect placed(QPoint(beside.right() + 1 + kGap, beside.top()), size);
    if (!available.contains(placed.topRight())) placed.moveRight(beside.left() - 1 - kGap);
    if (placed.left() < available.left()) placed.moveRight(available.right());
    if (placed.bottom() > available.bottom()) placed.moveBottom(available.bottom());
    if (placed.top() < available.top()) placed.moveTop(available.top());
    return placed;
}

void SimulatedUnitPanel::ShowBeside(QWidget& window) {
    // The tool's window stays the active one: the panel taking the focus would also set a text
    // cursor blinking in its first field, twice a second, with nobody at it. (Not every platform
    // heeds the attribute; activating the tool's window again afterwards does the same.)
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();  // the frame is known only once shown
    const QRect available = window.screen()->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    const QRect placed = PlaceBeside(window.frameGeometry(), frameGeometry().size(), available);
    resize(placed.size() - frame);
    move(placed.topLeft());
    window.activateWindow();
}

void SimulatedUnitPanel::AddToLog(const SimulatedUps::Transfer& transfer) {
    log_->insertItem(0, LogLine(transfer));
    while (log_->count() > kLogLines)
        delete log_->takeItem(log_->count() - 1);
}

void SimulatedUnitPanel::ApplyRefusal() {
    unit_.SetRefusedReport(refuse_->isChecked()
                               ? std::optional(static_cast<std::uint8_t>(refusedId_->value()))
                               : std::nullopt);
}

}  // namespace upsconfig
