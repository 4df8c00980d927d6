#include "pages/OutletPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <string_view>

#include "framework/AppServices.h"
#include "framework/BusyScope.h"
#include "resources/QtText.h"
#include "resources/StringTable.h"

namespace upsconfig {

namespace {

using F = FieldId;

constexpr int kHelpBox = 1020;
constexpr int kHoverMargin = 1;
constexpr int kSameAsOutlet1 = 1045;
constexpr int kTurnOn = 1052;
constexpr int kTurnOff = 1053;
constexpr int kReboot = 1054;

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
    {1032, true, 0, 1},   {1026, false, 20, 80}, {1025, false, 0, 30}, {1024, false, 0, 30},
    {1022, false, 0, 30}, {1023, false, 0, 30},  {1021, false, 0, 30}, {1027, false, 0, 30},
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

// The one-bit switches. 1032 is exchanged through its member; the others live on the control.
struct BitRow {
    int control;
    F field[2];
};

constexpr int kOverloadBox = 1032;
constexpr BitRow kBits[] = {
    {kOverloadBox, {F::bOOOOB_1, F::bOOOOB_2}}, {1049, {F::bOUPLOF_1, F::bOUPLOF_2}},
    {1029, {F::bPROVOB_1, F::bPROVOB_2}},       {1050, {F::bOBRLOF_1, F::bOBRLOF_2}},
    {1030, {F::bPROVRL_1, F::bPROVRL_2}},       {1051, {F::bOBCLOF_1, F::bOBCLOF_2}},
    {1031, {F::bPROVCL_1, F::bPROVCL_2}},
};

// The fourteen setting controls.
constexpr int kSettingControls[] = {1021, 1032, 1024, 1029, 1022, 1025, 1030,
                                    1023, 1026, 1031, 1027, 1049, 1050, 1051};

// Each group: the switch-off box, the switch-on-again box, the limit edit, the on-delay edit.
struct Group {
    int off;
    int on;
    int limit;
    int delay;
};

constexpr Group kGroups[] = {
    {1049, 1029, 1024, 1022},
    {1050, 1030, 1025, 1023},
    {1051, 1031, 1026, 1027},
};

// The check boxes whose clicks change the enabling.
constexpr int kEnablingBoxes[] = {kSameAsOutlet1, 1049, 1029, 1050, 1030, 1051, 1031};

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
    {1029, true}, {1030, true}, {1031, true}, {1049, false}, {1050, false}, {1051, false},
};

struct HelpRow {
    int control;
    int string;
};
// Loaded once at construction.
constexpr HelpRow kHelp[] = {
    {1021, 192}, {1032, 193}, {1024, 194}, {1029, 195}, {1022, 196}, {1025, 197},
    {1030, 198}, {1023, 199}, {1026, 200}, {1031, 201}, {1027, 202},
};
// Loaded from the string table on every mouse move.
constexpr HelpRow kButtonHelp[] = {{kTurnOn, 205}, {kTurnOff, 206}, {kReboot, 207}};

QString MessageCaption() { return ToQString(Template(102).caption); }

// Index into the two-outlet tables, or -1 for an outlet number the page does not know.
int Half(int outlet) { return outlet == 1 || outlet == 2 ? outlet - 1 : -1; }

bool InRange(int value, const ExchangeRow& row) { return value >= row.low && value <= row.high; }

}  // namespace

OutletPage::OutletPage(ReportLayer& reports, QWidget* parent)
    : SettingsPage(Template(167), parent), reports_(reports) {
    std::vector<HelpEntry> help;
    for (const HelpRow& row : kHelp)
        help.push_back({row.control, [text = LoadText(row.string)] { return text; }});
    for (const HelpRow& row : kButtonHelp)
        help.push_back({row.control, [id = row.string] { return LoadText(id); }});
    SetHelp(kHelpBox, std::move(help), kHoverMargin);

    for (int id : kEnablingBoxes)
        connect(Control<QCheckBox>(id), &QCheckBox::clicked, this,
                [this] { UpdateOutletControls(); });

    // The commands block until the unit has taken them (or the retries gave up); the page
    // shows no result: the buttons follow the outlet state of the next status read.
    connect(Control<QPushButton>(kTurnOn), &QPushButton::clicked, this, [this] {
        BusyScope busy;
        reports_.TurnOutletOn(outlet_);
    });
    connect(Control<QPushButton>(kTurnOff), &QPushButton::clicked, this, [this] {
        BusyScope busy;
        reports_.TurnOutletOff(outlet_);
    });
    connect(Control<QPushButton>(kReboot), &QPushButton::clicked, this, [this] {
        BusyScope busy;
        reports_.RebootOutlet(outlet_);
    });
}

void OutletPage::SetOutletNumber(int outlet) {
    outlet_ = outlet;
    Control<QCheckBox>(kSameAsOutlet1)->setVisible(outlet == 2);
}

bool OutletPage::SameAsOutlet1() const {
    return outlet_ == 2 && Control<QCheckBox>(kSameAsOutlet1)->isChecked();
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
            if (row.control == kOverloadBox) {
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
            if (!Quiet())
                ShowMessage(this, problem, MessageCaption(),
                            MessageStyle::Ok | MessageStyle::IconExclamation);
            edit->setFocus();
            edit->selectAll();
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
        const bool set = row.control == kOverloadBox ? members_[kOverload] != 0
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
    Control<QPushButton>(kTurnOn)->setEnabled(outletOn == 0);
    Control<QPushButton>(kTurnOff)->setEnabled(outletOn != 0);
    Control<QPushButton>(kReboot)->setEnabled(outletOn != 0);
}

}  // namespace upsconfig
