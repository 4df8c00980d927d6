#include "pages/OutletPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <string_view>

#include "framework/AppServices.h"
#include "resources/Ids.h"
#include "resources/QtText.h"

namespace upsconfig {

namespace {

using F = FieldId;

namespace id = ids::outlet;
namespace text = ids::text;

constexpr int kHoverMargin = 1;

// Positions in the exchange order, which is also the order of the members.
enum Slot {
    kOverload,
    kCapacity,
    kRuntime,
    kBatteryTime,
    kOnAfterBattery,
    kOnAfterRuntime,
    kTurnOnDelay,
    kOnAfterCapacity,
};

struct ExchangeRow {
    int control;
    bool check;  // a check box cannot hold a bad entry
    int low;
    int high;
};

constexpr ExchangeRow kExchange[] = {
    {id::kOverloadBox, true, 0, 1},
    {id::kCapacity, false, 20, 80},
    {id::kRuntime, false, 0, 30},
    {id::kBatteryTime, false, 0, 30},
    {id::kOnAfterBatteryDelay, false, 0, 30},
    {id::kOnAfterRuntimeDelay, false, 0, 30},
    {id::kTurnOnDelay, false, 0, 30},
    {id::kOnAfterCapacityDelay, false, 0, 30},
};

// Times travel as seconds in a high and a low byte; index 0 is outlet 1, index 1 outlet 2.
struct TimeRow {
    Slot slot;
    F high[2];
};

constexpr TimeRow kTimes[] = {
    {kTurnOnDelay, {F::OutletOnDT_H_A, F::OutletOnDT_H_B}},
    {kBatteryTime, {F::OutletOffAftACOffDT_H_A, F::OutletOffAftACOffDT_H_B}},
    {kOnAfterBattery, {F::OutletOnAftACRecDT_H_A, F::OutletOnAftACRecDT_H_B}},
    {kRuntime, {F::BatWeakRunTime_H_A, F::BatWeakRunTime_H_B}},
    {kOnAfterRuntime, {F::OutletOnAftRTlessDT_H_A, F::OutletOnAftRTlessDT_H_B}},
    {kOnAfterCapacity, {F::OutletOnAftCPlessDT_H_A, F::OutletOnAftCPlessDT_H_B}},
};

constexpr F kCapacityField[2] = {F::BatWeakPer_A, F::BatWeakPer_B};

// The one-bit switches. The overload box is exchanged through its member; the others live on
// the control.
struct BitRow {
    int control;
    F field[2];
};

constexpr BitRow kBits[] = {
    {id::kOverloadBox, {F::bOOOOB_1, F::bOOOOB_2}},
    {id::kOffOnBatteryBox, {F::bOUPLOF_1, F::bOUPLOF_2}},
    {id::kOnAfterBatteryBox, {F::bPROVOB_1, F::bPROVOB_2}},
    {id::kOffOnRuntimeBox, {F::bOBRLOF_1, F::bOBRLOF_2}},
    {id::kOnAfterRuntimeBox, {F::bPROVRL_1, F::bPROVRL_2}},
    {id::kOffOnCapacityBox, {F::bOBCLOF_1, F::bOBCLOF_2}},
    {id::kOnAfterCapacityBox, {F::bPROVCL_1, F::bPROVCL_2}},
};

// The fourteen setting controls.
constexpr int kSettingControls[] = {
    id::kTurnOnDelay,        id::kOverloadBox,          id::kBatteryTime,
    id::kOnAfterBatteryBox,  id::kOnAfterBatteryDelay,  id::kRuntime,
    id::kOnAfterRuntimeBox,  id::kOnAfterRuntimeDelay,  id::kCapacity,
    id::kOnAfterCapacityBox, id::kOnAfterCapacityDelay, id::kOffOnBatteryBox,
    id::kOffOnRuntimeBox,    id::kOffOnCapacityBox};

// Each group: the switch-off box, the switch-on-again box, the limit edit, the on-delay edit.
struct Group {
    int off;
    int on;
    int limit;
    int delay;
};

constexpr Group kGroups[] = {
    {id::kOffOnBatteryBox, id::kOnAfterBatteryBox, id::kBatteryTime, id::kOnAfterBatteryDelay},
    {id::kOffOnRuntimeBox, id::kOnAfterRuntimeBox, id::kRuntime, id::kOnAfterRuntimeDelay},
    {id::kOffOnCapacityBox, id::kOnAfterCapacityBox, id::kCapacity, id::kOnAfterCapacityDelay},
};

// The check boxes whose clicks change the enabling.
constexpr int kEnablingBoxes[] = {
    id::kSameAsOutlet1,     id::kOffOnBatteryBox,  id::kOnAfterBatteryBox, id::kOffOnRuntimeBox,
    id::kOnAfterRuntimeBox, id::kOffOnCapacityBox, id::kOnAfterCapacityBox};

struct DefaultRow {
    Slot slot;
    int value;
};
constexpr DefaultRow kDefaultMembers[] = {
    {kOverload, 0},       {kCapacity, 20},      {kRuntime, 5},     {kBatteryTime, 5},
    {kOnAfterBattery, 0}, {kOnAfterRuntime, 0}, {kTurnOnDelay, 0}, {kOnAfterCapacity, 0},
};
struct DefaultCheck {
    int control;
    bool checked;
};
constexpr DefaultCheck kDefaultChecks[] = {
    {id::kOnAfterBatteryBox, true}, {id::kOnAfterRuntimeBox, true}, {id::kOnAfterCapacityBox, true},
    {id::kOffOnBatteryBox, false},  {id::kOffOnRuntimeBox, false},  {id::kOffOnCapacityBox, false},
};

constexpr HelpRow kHelpRows[] = {
    {id::kTurnOnDelay, text::kOutletTurnOnDelayHelp},
    {id::kOverloadBox, text::kOutletOverloadHelp},
    {id::kBatteryTime, text::kOutletBatteryTimeHelp},
    {id::kOnAfterBatteryBox, text::kOutletOnAfterBatteryHelp},
    {id::kOnAfterBatteryDelay, text::kOutletOnAfterBatteryDelayHelp},
    {id::kRuntime, text::kOutletRuntimeHelp},
    {id::kOnAfterRuntimeBox, text::kOutletOnAfterRuntimeHelp},
    {id::kOnAfterRuntimeDelay, text::kOutletOnAfterRuntimeDelayHelp},
    {id::kCapacity, text::kOutletCapacityHelp},
    {id::kOnAfterCapacityBox, text::kOutletOnAfterCapacityHelp},
    {id::kOnAfterCapacityDelay, text::kOutletOnAfterCapacityDelayHelp},
    {id::kTurnOn, text::kOutletTurnOnHelp},
    {id::kTurnOff, text::kOutletTurnOffHelp},
    {id::kReboot, text::kOutletRebootHelp},
};

// The command buttons; those that cut the power ask first (%1: the outlet number).
struct CommandRow {
    int button;
    bool (ReportLayer::*send)(int outlet);
    std::string_view what;
    std::string_view question;
};

constexpr CommandRow kCommands[] = {
    {id::kTurnOn, &ReportLayer::TurnOutletOn, "Turn On", {}},
    {id::kTurnOff, &ReportLayer::TurnOutletOff, "Turn Off",
     "Turn off Outlet%1 now?\n\nThe equipment on outlet group %1 loses its power at once and "
     "stays off until the outlet is turned on again. If this computer draws its power from "
     "that outlet, it goes off too."},
    {id::kReboot, &ReportLayer::RebootOutlet, "Reboot",
     "Reboot Outlet%1 now?\n\nThe equipment on outlet group %1 loses its power at once and gets "
     "it back after the outlet's turn-on delay. If this computer draws its power from that "
     "outlet, it goes off too."},
};

QString MessageCaption() { return ToQString(Template(ids::dialog::kMainWindow).caption); }

// Index into the two-outlet tables, or -1 for an outlet number the page does not know.
int Half(int outlet) { return outlet == 1 || outlet == 2 ? outlet - 1 : -1; }

bool InRange(int value, const ExchangeRow& row) { return value >= row.low && value <= row.high; }

}  // namespace

OutletPage::OutletPage(ReportLayer& reports, QWidget* parent)
    : SettingsPage(Template(ids::dialog::kOutletPage), parent), reports_(reports) {
    SetHelp(id::kHelp, kHelpRows, kHoverMargin);

    for (int id : kEnablingBoxes)
        connect(Control<QCheckBox>(id), &QCheckBox::clicked, this,
                [this] { UpdateOutletControls(); });

    // The commands block until the unit has taken them (or the retries gave up); the buttons
    // follow the outlet state of the next status read.
    for (const CommandRow& command : kCommands) {
        connect(Control<QPushButton>(command.button), &QPushButton::clicked, this,
                [this, &command] {
                    const QString outlet = QStringLiteral("Outlet%1").arg(outlet_);
                    // Whatever draws power from the outlet goes off, this computer perhaps
                    // among it: asked first, No unless the user says otherwise.
                    if (!command.question.empty() &&
                        ShowMessage(this, ToQString(command.question).arg(outlet_), outlet,
                                    MessageStyle::YesNo | MessageStyle::IconExclamation |
                                        MessageStyle::DefaultButton2) != ButtonId::Yes)
                        return;
                    RunCommand(ToQString(command.what), outlet,
                               [this, &command] { return (reports_.*command.send)(outlet_); });
                });
    }
}

void OutletPage::SetOutletNumber(int outlet) {
    outlet_ = outlet;
    Control<QCheckBox>(id::kSameAsOutlet1)->setVisible(outlet == 2);
}

bool OutletPage::SameAsOutlet1() const {
    return outlet_ == 2 && Control<QCheckBox>(id::kSameAsOutlet1)->isChecked();
}

void OutletPage::LoadSettings(SettingsImage image) {
    const int half = Half(outlet_);
    if (half >= 0) {
        // Whatever lies below a whole minute is not shown.
        for (const TimeRow& row : kTimes)
            members_[row.slot] = static_cast<int>(GetWord(image, row.high[half]) / 60);
        members_[kCapacity] = static_cast<int>(GetField(image, kCapacityField[half]));
        for (const BitRow& row : kBits) {
            const bool set = GetField(image, row.field[half]) != 0;
            if (row.control == id::kOverloadBox) {
                members_[kOverload] = set ? 1 : 0;
            } else {
                Control<QCheckBox>(row.control)->setChecked(set);
            }
        }
    }
    PushMembers();
    UpdateOutletControls();
}

void OutletPage::PushMembers() {
    for (std::size_t i = 0; i < std::size(kExchange); ++i) {
        const ExchangeRow& row = kExchange[i];
        if (row.check) {
            Control<QCheckBox>(row.control)->setChecked(members_[i] != 0);
        } else {
            pushedTexts_[i] = QString::number(members_[i]);
            Control<QLineEdit>(row.control)->setText(pushedTexts_[i]);
        }
    }
}

bool OutletPage::ReadControls() {
    for (std::size_t i = 0; i < std::size(kExchange); ++i) {
        const ExchangeRow& row = kExchange[i];
        if (row.check) {
            members_[i] = Control<QCheckBox>(row.control)->isChecked() ? 1 : 0;
            continue;
        }
        auto* edit = Control<QLineEdit>(row.control);
        bool whole = false;
        const int value = edit->text().trimmed().toInt(&whole, 10);
        QString problem;
        if (!whole) {
            problem = QStringLiteral("Please enter a whole number.");
        } else {
            // An out-of-range number is taken; the store puts the unit's value back in its
            // place. Typed by the user, it is reported; shown as the unit holds it, it is not,
            // or an untouched (perhaps disabled) edit would stop every Apply.
            members_[i] = value;
            if (!InRange(value, row) && edit->text() != pushedTexts_[i])
                problem = QStringLiteral("Please enter a whole number from %1 to %2.")
                              .arg(row.low)
                              .arg(row.high);
        }
        if (!problem.isEmpty()) {
            if (!Quiet()) {
                ShowMessage(this, problem, MessageCaption(),
                            MessageStyle::Ok | MessageStyle::IconExclamation);
                edit->setFocus();
                edit->selectAll();
            }
            return false;
        }
    }
    return true;
}

bool OutletPage::StoreSettings(SettingsImage& image) {
    // A bad entry stops the reading only; what was read and the members after it are stored,
    // and the caller learns of it.
    const bool read = ReadControls();
    const int half = Half(outlet_);
    if (half < 0) return read;
    if (SameAsOutlet1()) {
        for (const TimeRow& row : kTimes)
            SetWord(image, row.high[1], GetWord(image, row.high[0]));
        SetField(image, kCapacityField[1], GetField(image, kCapacityField[0]));
        for (const BitRow& row : kBits)
            SetField(image, row.field[1], GetField(image, row.field[0]));
        return read;
    }
    WriteOutlet(image, half);
    return read;
}

void OutletPage::WriteOutlet(SettingsImage& image, int half) {
    // Out-of-range members give way to what the record holds now.
    for (const TimeRow& row : kTimes) {
        if (!InRange(members_[row.slot], kExchange[row.slot]))
            members_[row.slot] = static_cast<int>(GetWord(image, row.high[half]) / 60);
    }
    int& capacity = members_[kCapacity];
    if (!InRange(capacity, kExchange[kCapacity]))
        capacity = static_cast<int>(GetField(image, kCapacityField[half]));

    for (const TimeRow& row : kTimes)
        SetWord(image, row.high[half], static_cast<unsigned>(members_[row.slot]) * 60u);
    SetField(image, kCapacityField[half], static_cast<unsigned>(capacity) & 0xFFu);
    for (const BitRow& row : kBits) {
        const bool set = row.control == id::kOverloadBox
                             ? members_[kOverload] != 0
                             : Control<QCheckBox>(row.control)->isChecked();
        SetField(image, row.field[half], set ? 1u : 0u);
    }
}

void OutletPage::SetFactoryDefaults() {
    for (const DefaultRow& row : kDefaultMembers)
        members_[row.slot] = row.value;
    for (const DefaultCheck& row : kDefaultChecks)
        Control<QCheckBox>(row.control)->setChecked(row.checked);
    UpdateOutletControls();
    PushMembers();
}

void OutletPage::DisableAllControls() {
    for (int id : kSettingControls)
        Control<QWidget>(id)->setEnabled(false);
}

void OutletPage::UpdateOutletControls() {
    for (int id : kSettingControls)
        Control<QWidget>(id)->setEnabled(true);
    auto checked = [this](int id) { return Control<QCheckBox>(id)->isChecked(); };
    for (const Group& group : kGroups) {
        if (!checked(group.off)) {
            for (int id : {group.limit, group.on, group.delay})
                Control<QWidget>(id)->setEnabled(false);
        }
        if (!checked(group.on)) Control<QWidget>(group.delay)->setEnabled(false);
    }
    if (SameAsOutlet1()) DisableAllControls();
}

void OutletPage::UpdateCommandButtons(int outletOn) {
    Control<QPushButton>(id::kTurnOn)->setEnabled(reachable_ && outletOn == 0);
    Control<QPushButton>(id::kTurnOff)->setEnabled(reachable_ && outletOn != 0);
    Control<QPushButton>(id::kReboot)->setEnabled(reachable_ && outletOn != 0);
}

}  // namespace upsconfig
