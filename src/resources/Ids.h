#pragma once

#include <array>

// The numeric ids of the program's dialog templates, their controls, its strings and artwork,
// named once for the templates, the pages, the windows and the tests.
namespace upsconfig::ids {

// Dialog templates.
namespace dialog {
inline constexpr int kAbout = 100;
inline constexpr int kMainWindow = 102;
inline constexpr int kUpsPage = 129;
inline constexpr int kDryContactPage = 130;
inline constexpr int kBatteryPage = 131;
inline constexpr int kInfoTextPage = 132;
inline constexpr int kCommError = 160;
inline constexpr int kParallelPage = 165;
inline constexpr int kOutletPage = 167;
inline constexpr int kEcoPage = 169;
inline constexpr int kTestInfoPage = 174;
}  // namespace dialog

// Controls, one namespace for each template.
namespace about {
inline constexpr int kOk = 1;
}  // namespace about

namespace window {
inline constexpr int kTabs = 1000;
inline constexpr int kRefresh = 1011;
inline constexpr int kUploadLanguage = 1012;
inline constexpr int kExit = 1013;
inline constexpr int kApply = 1014;
inline constexpr int kFactorySetting = 1015;
inline constexpr int kDownload = 1016;
inline constexpr int kUpload = 1018;
}  // namespace window

namespace commerror {
inline constexpr int kRetry = 1011;
inline constexpr int kIgnore = 1012;
inline constexpr int kCancel = 1013;
// Not in the template: the diagnosis the window adds below the buttons.
inline constexpr int kDiagnosis = 1014;
}  // namespace commerror

// Not a template of the described program: the choice among several units.
namespace unitchoice {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kList = 1000;
}  // namespace unitchoice

namespace ups {
inline constexpr int kReverseDetection = 1003;
inline constexpr int kHelp = 1009;
inline constexpr int kAutoRestart = 1010;
inline constexpr int kModelName = 1012;
inline constexpr int kVoltage = 1014;
inline constexpr int kAutoSensingBypass = 1015;
inline constexpr int kAutoSensingNoBypass = 1016;
inline constexpr int kConverter50Hz = 1017;
inline constexpr int kConverter60Hz = 1018;
inline constexpr int kAlarm = 1019;
inline constexpr int kGuaranteeShutdown = 1020;
inline constexpr int kStartupOnBypass = 1033;  // shows bInvFirstMode inverted
// The frequency buttons in bFreqLevel order.
inline constexpr std::array<int, 4> kFrequency{kAutoSensingBypass, kAutoSensingNoBypass,
                                               kConverter50Hz, kConverter60Hz};
}  // namespace ups

namespace drycontact {
inline constexpr int kManualRestart = 1004;   // bShutDownAction 0
inline constexpr int kAutoEnable = 1005;      // bShutDownAction 1
inline constexpr int kNormallyOpen = 1006;    // bShutDownLogic 1
inline constexpr int kNormallyClosed = 1007;  // bShutDownLogic 0
inline constexpr int kHelp = 1013;
inline constexpr int kInterfaceText = 1032;
}  // namespace drycontact

namespace battery {
inline constexpr int kLowBatteryTime = 1002;  // position = minutes - 2
inline constexpr int kTestInterval = 1003;
inline constexpr int kCabinets = 1004;
inline constexpr int kAutoTest = 1008;
inline constexpr int kHelp = 1010;
}  // namespace battery

namespace infotext {
inline constexpr int kText = 1001;
}  // namespace infotext

namespace parallel {
inline constexpr int kUnits = 1026;
inline constexpr int kUnitId = 1027;
inline constexpr int kHelp = 1028;
}  // namespace parallel

namespace outlet {
inline constexpr int kHelp = 1020;
inline constexpr int kTurnOnDelay = 1021;
inline constexpr int kOnAfterBatteryDelay = 1022;
inline constexpr int kOnAfterRuntimeDelay = 1023;
inline constexpr int kBatteryTime = 1024;
inline constexpr int kRuntime = 1025;
inline constexpr int kCapacity = 1026;
inline constexpr int kOnAfterCapacityDelay = 1027;
inline constexpr int kOnAfterBatteryBox = 1029;
inline constexpr int kOnAfterRuntimeBox = 1030;
inline constexpr int kOnAfterCapacityBox = 1031;
inline constexpr int kOverloadBox = 1032;
inline constexpr int kSameAsOutlet1 = 1045;
inline constexpr int kOffOnBatteryBox = 1049;
inline constexpr int kOffOnRuntimeBox = 1050;
inline constexpr int kOffOnCapacityBox = 1051;
inline constexpr int kTurnOn = 1052;
inline constexpr int kTurnOff = 1053;
inline constexpr int kReboot = 1054;
}  // namespace outlet

namespace eco {
inline constexpr int kHelp = 1048;
inline constexpr int kVoltageTolerance = 1056;
inline constexpr int kFrequencyTolerance = 1057;
inline constexpr int kRequalification = 1059;
inline constexpr int kMode = 1060;
}  // namespace eco

namespace testinfo {
inline constexpr int kStartTest = 1011;
inline constexpr int kTerminateTest = 1012;
inline constexpr int kHardware = 1062;
inline constexpr int kMonitorFirmware = 1063;
inline constexpr int kTimeSinceStartup = 1064;
inline constexpr int kPowerFirmware = 1065;
}  // namespace testinfo

// Strings of the string table; the help texts are named after their control.
namespace text {
inline constexpr int kAbout = 101;
inline constexpr int kSaved = 104;
inline constexpr int kUpsVoltageHelp = 107;
inline constexpr int kUpsReverseDetectionHelp = 108;
inline constexpr int kUpsAutoSensingBypassHelp = 109;
inline constexpr int kUpsAutoSensingNoBypassHelp = 110;
inline constexpr int kUpsConverter50HzHelp = 111;
inline constexpr int kUpsConverter60HzHelp = 112;
inline constexpr int kUpsAlarmHelp = 113;
// Dry-contact help: terminal pins 1 and 2, and the same for models that use pins 5 and 6.
inline constexpr int kDryManualRestartHelp = 114;
inline constexpr int kDryAutoEnableHelp = 115;
inline constexpr int kDryNormallyOpenHelp = 116;
inline constexpr int kDryNormallyClosedHelp = 117;
inline constexpr int kBatteryLowBatteryTimeHelp = 118;
inline constexpr int kBatteryTestIntervalHelp = 119;
inline constexpr int kBatteryCabinetsHelp = 120;
inline constexpr int kBatteryAutoTestHelp = 121;
inline constexpr int kUpsAutoRestartHelp = 122;
inline constexpr int kUpsGuaranteeShutdownHelp = 126;
inline constexpr int kDryManualRestartPins56Help = 140;
inline constexpr int kDryAutoEnablePins56Help = 141;
inline constexpr int kDryNormallyOpenPins56Help = 142;
inline constexpr int kDryNormallyClosedPins56Help = 143;
inline constexpr int kParallelUnitsHelp = 170;
inline constexpr int kParallelUnitIdHelp = 171;
inline constexpr int kUpsStartupOnBypassHelp = 180;
inline constexpr int kOutletTurnOnDelayHelp = 192;
inline constexpr int kOutletOverloadHelp = 193;
inline constexpr int kOutletBatteryTimeHelp = 194;
inline constexpr int kOutletOnAfterBatteryHelp = 195;
inline constexpr int kOutletOnAfterBatteryDelayHelp = 196;
inline constexpr int kOutletRuntimeHelp = 197;
inline constexpr int kOutletOnAfterRuntimeHelp = 198;
inline constexpr int kOutletOnAfterRuntimeDelayHelp = 199;
inline constexpr int kOutletCapacityHelp = 200;
inline constexpr int kOutletOnAfterCapacityHelp = 201;
inline constexpr int kOutletOnAfterCapacityDelayHelp = 202;
inline constexpr int kEcoModeHelp = 204;
inline constexpr int kOutletTurnOnHelp = 205;
inline constexpr int kOutletTurnOffHelp = 206;
inline constexpr int kOutletRebootHelp = 207;
}  // namespace text

// Icons and the bitmap.
namespace art {
inline constexpr int kAppIcon = 4;
inline constexpr int kBanner = 148;
inline constexpr int kCaution = 157;
}  // namespace art

}  // namespace upsconfig::ids
