#include "resources/DialogTemplate.h"

#include <iterator>

#include "resources/Ids.h"

namespace upsconfig {

namespace {

using K = ControlKind;
using namespace ids;
using namespace Style;

// ---- 100: About box ------------------------------------------------------------------------

constexpr ControlTemplate kAbout[] = {
    {kNoId, K::Icon, "", {20, 9, 0, 0}, None, {}, 4},
    {kNoId, K::Static, "Version 1.3", {22, 32, 39, 8}},
    {kNoId, K::Static, "UPS configuration tool", {23, 46, 153, 8}},
    {about::kOk, K::PushButton, "OK", {178, 7, 50, 14}, GroupStart | DefaultButton},
};

// ---- 102: main window ----------------------------------------------------------------------

constexpr ControlTemplate kMain[] = {
    {window::kTabs, K::TabControl, "", {82, 5, 301, 258}},
    {window::kRefresh, K::PushButton, "Refresh", {86, 275, 38, 14}},
    {window::kExit, K::PushButton, "Exit", {166, 275, 38, 14}},
    {window::kApply, K::PushButton, "Apply", {246, 275, 38, 14}},
    {window::kFactorySetting, K::PushButton, "Factory Setting", {316, 275, 59, 14}},
    {window::kUploadLanguage, K::PushButton, "Upload language", {9, 138, 64, 16}},
    {window::kDownload, K::PushButton, "Download", {7, 220, 64, 14}},
    {window::kUpload, K::PushButton, "Upload", {7, 250, 64, 13}},
    {kNoId, K::Static, "UPS Setting File", {14, 196, 53, 10}},
    {kNoId, K::Bitmap, "", {5, 14, 70, 35}, None, {}, art::kBanner},
};

// ---- 160: communication error --------------------------------------------------------------

// Items 1 and 3 end in a blank and item 3 has two blanks before "or": kept as they stand.
constexpr ControlTemplate kCommError[] = {
    {kNoId, K::Icon, "", {14, 17, 0, 0}, None, {}, art::kCaution},
    {kNoId, K::Static, "There is a communication error.", {53, 21, 108, 8}},
    {kNoId, K::Static, "Please check the following:", {54, 31, 89, 8}},
    {kNoId, K::Static, "1. Verify the USB cable is connected securely between ", {54, 44, 211, 8}},
    {kNoId, K::Static, "the computer and the UPS.", {63, 55, 87, 8}},
    {kNoId, K::Static, "2. Verify that the UPS is powered.", {54, 67, 166, 8}},
    {kNoId, K::Static, "3. Temporarily remove the webcard  or option card ", {54, 82, 171, 8}},
    {kNoId, K::Static, "from the cardbay of the UPS.", {63, 91, 96, 8}},
    {kNoId,
     K::Static,
     "4. Verify the USB port is not being used by another program.",
     {54, 104, 205, 8}},
    {kNoId,
     K::Static,
     "5. If installed, stop Sentrel software using the stop command.",
     {54, 120, 204, 8}},
    {commerror::kRetry, K::PushButton, "Retry", {60, 137, 50, 14}},
    {commerror::kIgnore, K::PushButton, "Ignore", {121, 137, 50, 14}},
    {commerror::kCancel, K::PushButton, "Cancel", {183, 137, 50, 14}},
};

// ---- 129: UPS page -------------------------------------------------------------------------

// Filled by the model table at run time; until then the list holds one empty item.
constexpr std::string_view kVoltageItemsAtCreation[] = {""};

constexpr ControlTemplate kUpsPage[] = {
    {kNoId, K::Static, "UPS Model:", {20, 15, 37, 8}, RightAlign},
    {ups::kModelName, K::Edit, "", {75, 13, 75, 12}, ReadOnly | AutoHScroll},
    {kNoId, K::Static, "Output Voltage", {19, 30, 49, 8}, RightAlign},
    {ups::kVoltage, K::DropDownList, "", {75, 28, 76, 97}, VScroll, kVoltageItemsAtCreation},
    {kNoId, K::Static, "Volts", {163, 29, 17, 8}},
    {ups::kReverseDetection,
     K::CheckBox,
     "Enable L-N Reverse Detection",
     {111, 58, 115, 10},
     Hidden},
    {kNoId, K::GroupBox, "Frequency Selection", {19, 67, 201, 56}},
    {ups::kAutoSensingBypass,
     K::RadioButton,
     "Auto Sensing - 50 or 60 HZ - Bypass Enabled",
     {29, 77, 160, 10},
     GroupStart | NoTabStop},
    {ups::kAutoSensingNoBypass,
     K::RadioButton,
     "Auto Sensing - 50 or 60 HZ - Bypass Disabled",
     {29, 88, 167, 10},
     NoTabStop},
    {ups::kConverter50Hz,
     K::RadioButton,
     "Frequency Converter - 50HZ - Bypass Disabled",
     {29, 100, 167, 10},
     NoTabStop},
    {ups::kConverter60Hz,
     K::RadioButton,
     "Frequency Converter - 60HZ - Bypass Disabled",
     {29, 111, 167, 10},
     NoTabStop},
    {kNoId, K::GroupBox, "Audible Alarm Control", {19, 127, 203, 28}},
    {ups::kAlarm, K::CheckBox, "Enable Audible Alarm Control", {33, 138, 110, 10}},
    {kNoId, K::Static, "Help Menu:", {19, 155, 38, 8}},
    {ups::kHelp, K::Edit, "", {20, 165, 203, 47}, ReadOnly | MultiLine | Border | VScroll},
    {ups::kStartupOnBypass, K::CheckBox, "Startup on Bypass", {21, 56, 76, 10}},
    {ups::kAutoRestart, K::CheckBox, "Enable auto restart", {21, 45, 78, 10}},
    {ups::kGuaranteeShutdown, K::CheckBox, "Enable guarantee shutdown", {111, 46, 107, 10}},
};

// ---- 130: dry-contact page -----------------------------------------------------------------

// Two radio groups side by side: 1004/1005 and 1006/1007.
constexpr ControlTemplate kDryContactPage[] = {
    {kNoId,
     K::Static,
     "It must be hardwired to the terminal block on the rear of the UPS. ",
     {3, 28, 219, 8}},
    {kNoId,
     K::GroupBox,
     "Output Enabling Options After Any Mode Shutdown Activation",
     {3, 42, 230, 64}},
    {drycontact::kManualRestart,
     K::RadioButton,
     "Disable Output - Manual Restart Only. UPS needs to restart via LCD menu",
     {11, 53, 211, 18},
     GroupStart | MultiLine | TopAlign},
    {drycontact::kAutoEnable,
     K::RadioButton,
     "Auto-Enable Output - Automatically restart UPS when removing the Anymode shutdown "
     "connection",
     {11, 77, 211, 25},
     MultiLine | TopAlign},
    {kNoId, K::GroupBox, "Any Mode Shutdown", {3, 108, 230, 48}},
    {drycontact::kNormallyOpen,
     K::RadioButton,
     "Normally Open (Default)",
     {10, 120, 221, 15},
     GroupStart | MultiLine | TopAlign},
    {drycontact::kNormallyClosed,
     K::RadioButton,
     "Normally Close (Inverse)",
     {10, 137, 212, 13},
     MultiLine | TopAlign},
    {kNoId, K::Static, "Help Menu:", {4, 158, 38, 8}},
    {drycontact::kHelp, K::Edit, "", {5, 168, 227, 43}, ReadOnly | MultiLine | Border | VScroll},
    {drycontact::kInterfaceText,
     K::Static,
     "Communication Interface Port Anymode Shutdown: Remote shutdown",
     {3, 8, 231, 8}},
    {kNoId, K::Static, "in Any Mode.", {4, 18, 233, 8}},
};

// ---- 131: battery page ---------------------------------------------------------------------

constexpr std::string_view kLowBatteryMinutes[] = {
    "*2", "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12", "13", "14", "15", "16",
    "17", "18", "19", "20", "21", "22", "23", "24", "25", "26", "27", "28", "29", "30"};
constexpr std::string_view kBatteryTestWeeks[] = {"*8", "12", "16", "20", "26"};
// "1 " to "4 " end in a blank; kept as they stand.
constexpr std::string_view kBatteryCabinets[] = {"*0", "1 ", "2 ", "3 ", "4 ", "5", "6"};

constexpr ControlTemplate kBatteryPage[] = {
    {kNoId, K::Static, "Low Battery Time Warning:", {11, 21, 94, 8}},
    {kNoId, K::Static, "Auto Battery Test:", {13, 90, 77, 8}},
    {kNoId, K::Static, "External Battery Cabinet:", {11, 40, 93, 8}},
    {battery::kLowBatteryTime, K::DropDownList, "", {115, 20, 48, 86}, None, kLowBatteryMinutes},
    {kNoId, K::Static, "Mins", {170, 22, 21, 8}},
    {battery::kTestInterval, K::DropDownList, "", {115, 89, 48, 68}, None, kBatteryTestWeeks},
    {battery::kCabinets, K::DropDownList, "", {115, 37, 48, 107}, None, kBatteryCabinets},
    {kNoId, K::Static, " Weeks", {167, 90, 29, 8}},
    {battery::kAutoTest, K::CheckBox, "Enable auto battery test", {13, 73, 93, 10}},
    {kNoId, K::Static, "Help Menu:", {12, 142, 38, 8}},
    {battery::kHelp, K::Edit, "", {12, 157, 208, 52}, ReadOnly | MultiLine | Border | VScroll},
    {kNoId, K::GroupBox, "Battery Test", {7, 61, 219, 47}},
    {kNoId,
     K::Static,
     "Caution - Do not change the above setting during battery mode.",
     {12, 115, 208, 8},
     NoWordWrap},
    {kNoId,
     K::Static,
     "Allow battery to charge fully after configuration.",
     {12, 126, 206, 8},
     NoWordWrap},
};

// ---- 132: info-text page (never given a tab) -----------------------------------------------

constexpr ControlTemplate kInfoTextPage[] = {
    {infotext::kText,
     K::Edit,
     "",
     {2, 2, 225, 239},
     ReadOnly | MultiLine | KeepSelection | NoBorder},
};

// ---- 165: parallel page --------------------------------------------------------------------

constexpr std::string_view kUnitsInParallel[] = {"*1", "2", "3"};
constexpr std::string_view kUnitIds[] = {"*1", "2", "3"};

constexpr ControlTemplate kParallelPage[] = {
    {kNoId, K::Icon, "", {3, 7, 20, 20}, None, {}, art::kCaution},
    {kNoId, K::Static, "Number of Units in Parallel:", {19, 54, 86, 8}},
    {parallel::kUnits, K::DropDownList, "", {109, 53, 48, 58}, VScroll, kUnitsInParallel},
    {kNoId, K::Static, "ID of Units in Parallel:", {37, 81, 68, 8}},
    {parallel::kUnitId, K::DropDownList, "", {109, 80, 48, 51}, VScroll, kUnitIds},
    {kNoId, K::Static, "Help Menu:", {11, 141, 38, 8}},
    {parallel::kHelp, K::Edit, "", {9, 150, 202, 57}, ReadOnly | MultiLine | Border | VScroll},
    {kNoId, K::Static, "CAUTION: The UPS can be in any mode for the", {34, 9, 157, 8}},
    {kNoId, K::Static, "settings to take effect.", {68, 17, 78, 8}},
};

// ---- 167: outlet page (Outlet1 and Outlet2) ------------------------------------------------

// 1045 is shown only on the Outlet2 page; the page decides that at run time.
constexpr ControlTemplate kOutletPage[] = {
    {outlet::kHelp, K::Edit, "", {14, 186, 204, 25}, ReadOnly | MultiLine | Border | VScroll},
    {kNoId, K::Static, "Turn on delay", {20, 42, 46, 8}},
    {outlet::kTurnOnDelay, K::Edit, "", {147, 41, 21, 12}, Border | AutoHScroll},
    {kNoId, K::Static, "0-30(mins)", {174, 42, 36, 8}},
    {kNoId, K::GroupBox, "Battery Discharge Duration", {14, 63, 204, 37}},
    {outlet::kBatteryTime, K::Edit, "", {147, 71, 21, 12}, Border},
    {kNoId, K::Static, "0-30(mins)", {174, 74, 36, 8}},
    {outlet::kOnAfterBatteryBox, K::CheckBox, "Turn on when power returns", {20, 85, 116, 10}},
    {outlet::kOnAfterBatteryDelay, K::Edit, "", {147, 84, 21, 12}, Border},
    {kNoId, K::Static, "0-30(mins)", {174, 86, 36, 8}},
    {kNoId, K::GroupBox, "Battery Runtime Remaining", {14, 100, 203, 37}},
    {outlet::kRuntime, K::Edit, "", {147, 107, 21, 12}, Border},
    {kNoId, K::Static, "0-30(mins)", {174, 109, 36, 8}},
    {outlet::kOnAfterRuntimeBox,
     K::CheckBox,
     "Turn on when power returns",
     {20, 123, 121, 8},
     MultiLine},
    {outlet::kOnAfterRuntimeDelay, K::Edit, "", {147, 123, 21, 12}, Border},
    {kNoId, K::Static, "0-30(mins)", {174, 126, 36, 8}},
    {kNoId, K::GroupBox, "Battery Capacity", {14, 137, 202, 39}},
    {outlet::kCapacity, K::Edit, "", {147, 146, 21, 12}, Border},
    {kNoId, K::Static, "%(20-80)", {174, 148, 32, 8}},
    {outlet::kOnAfterCapacityBox, K::CheckBox, "Turn on when power returns", {20, 162, 121, 8}},
    {kNoId, K::Static, "0-30(mins)", {174, 163, 36, 8}},
    {outlet::kOverloadBox,
     K::CheckBox,
     "Turn off outlet on overload when UPS on battery mode",
     {20, 53, 195, 8}},
    {outlet::kOnAfterCapacityDelay, K::Edit, "", {147, 161, 21, 12}, Border},
    {outlet::kSameAsOutlet1, K::CheckBox, "Apply the same settings as Outlet1", {84, 32, 128, 8}},
    {kNoId, K::Static, "Help Menu:", {14, 177, 36, 8}},
    {outlet::kOffOnBatteryBox, K::CheckBox, "Turn off when UPS on battery for", {20, 72, 124, 10}},
    {outlet::kOffOnRuntimeBox,
     K::CheckBox,
     "Turn off when runtime is less than",
     {20, 108, 127, 10}},
    {outlet::kOffOnCapacityBox,
     K::CheckBox,
     "Turn off when battery capacity <",
     {20, 147, 123, 10}},
    {outlet::kTurnOn, K::PushButton, "Turn On", {19, 13, 50, 14}},
    {outlet::kTurnOff, K::PushButton, "Turn Off", {94, 13, 50, 14}},
    {outlet::kReboot, K::PushButton, "Reboot", {167, 13, 50, 14}},
    {kNoId, K::Static, "Outlet Setting :", {20, 32, 48, 8}},
    {kNoId, K::Static, "Outlet Control :", {20, 2, 48, 8}},
};

// ---- 169: ECO page -------------------------------------------------------------------------

constexpr std::string_view kEcoMode[] = {"*Off", "On"};
constexpr std::string_view kEcoVoltageTolerance[] = {"5%", "*10%", "15%"};
constexpr std::string_view kEcoFrequencyTolerance[] = {"1Hz", "2Hz", "*3Hz"};
constexpr std::string_view kEcoRequalification[] = {"*5min", "15min", "30min"};

constexpr ControlTemplate kEcoPage[] = {
    {kNoId, K::Static, "ECO Mode", {25, 21, 34, 8}},
    {eco::kMode, K::DropDownList, "", {137, 19, 48, 41}, VScroll, kEcoMode},
    {eco::kHelp, K::Edit, "", {13, 155, 202, 51}, ReadOnly | MultiLine | Border | VScroll},
    {kNoId, K::Static, "Help Menu:", {14, 143, 36, 8}},
    {eco::kVoltageTolerance, K::DropDownList, "", {137, 51, 48, 50}, VScroll, kEcoVoltageTolerance},
    {eco::kFrequencyTolerance,
     K::DropDownList,
     "",
     {137, 78, 48, 43},
     VScroll,
     kEcoFrequencyTolerance},
    {eco::kRequalification, K::DropDownList, "", {137, 105, 48, 48}, VScroll, kEcoRequalification},
    {kNoId, K::Static, "Voltage tolerance", {22, 52, 58, 8}},
    {kNoId, K::Static, "Frequency Tolerance", {22, 81, 70, 8}},
    {kNoId, K::Static, "Requalification Time", {22, 108, 64, 8}},
    {kNoId, K::GroupBox, "ECO Bypass configuration", {13, 37, 183, 95}},
};

// ---- 174: battery test and version page ----------------------------------------------------

// The four edits only display what the unit reports; they stay disabled.
constexpr ControlTemplate kTestInfoPage[] = {
    {testinfo::kHardware, K::Edit, "", {143, 68, 41, 14}, Border | AutoHScroll | Disabled},
    {testinfo::kPowerFirmware, K::Edit, "", {143, 88, 42, 14}, Border | AutoHScroll | Disabled},
    {testinfo::kMonitorFirmware, K::Edit, "", {143, 112, 42, 14}, Border | AutoHScroll | Disabled},
    {testinfo::kTimeSinceStartup, K::Edit, "", {41, 156, 140, 14}, Border | AutoHScroll | Disabled},
    {kNoId, K::Static, "Hardware Version:", {40, 69, 61, 8}},
    {kNoId, K::Static, "Power Firmware Version:", {40, 92, 82, 8}},
    {kNoId, K::Static, "Monitor Firmware Version:", {40, 115, 86, 8}},
    {kNoId, K::Static, "", {22, 148, 8, 8}},
    {kNoId, K::GroupBox, "Hardware and Firmware Version", {21, 51, 184, 87}, Center},
    {kNoId, K::GroupBox, "Time since startup:", {21, 142, 184, 40}, Center},
    {kNoId, K::GroupBox, "Battery Test Control", {21, 14, 183, 33}, Center},
    {testinfo::kStartTest, K::PushButton, "Start test", {36, 26, 50, 14}},
    {testinfo::kTerminateTest, K::PushButton, "Terminate test", {130, 26, 50, 14}},
};

constexpr DialogTemplate kTemplates[] = {
    {dialog::kAbout, "About", 235, 71, "Arial", 8, false, kAbout},
    {dialog::kMainWindow, "Orvane UPS KVR8 Tool  V1.3 Version", 409, 310, "Arial", 8, false, kMain,
     80},
    {dialog::kUpsPage, "", 304, 253, "Arial", 8, true, kUpsPage, 105},
    {dialog::kDryContactPage, "", 237, 220, "Arial", 8, true, kDryContactPage},
    {dialog::kBatteryPage, "", 227, 221, "Arial", 8, true, kBatteryPage},
    {dialog::kInfoTextPage, "", 229, 264, "Arial", 8, true, kInfoTextPage},
    {dialog::kCommError, "Communication Error", 272, 165, "Arial", 8, false, kCommError},
    {dialog::kParallelPage, "", 231, 221, "Arial", 8, true, kParallelPage},
    {dialog::kOutletPage, "", 238, 223, "Arial", 8, true, kOutletPage},
    {dialog::kEcoPage, "", 230, 221, "Arial", 8, true, kEcoPage},
    {dialog::kTestInfoPage, "", 269, 209, "Arial", 8, true, kTestInfoPage},
};

constexpr int kTemplateIds[] = {
    dialog::kAbout,       dialog::kMainWindow,   dialog::kUpsPage,     dialog::kDryContactPage,
    dialog::kBatteryPage, dialog::kInfoTextPage, dialog::kCommError,   dialog::kParallelPage,
    dialog::kOutletPage,  dialog::kEcoPage,      dialog::kTestInfoPage};

const DialogTemplate kMissing{};

}  // namespace

const DialogTemplate& Template(int id) {
    for (const DialogTemplate& t : kTemplates) {
        if (t.id == id) return t;
    }
    // Like a missing resource: no caption, no controls.
    return kMissing;
}

std::span<const int> TemplateIds() { return kTemplateIds; }

}  // namespace upsconfig
