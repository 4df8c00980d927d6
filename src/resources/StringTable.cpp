#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>

namespace upsconfig {

namespace {

struct StringEntry {
    int id;
    std::string_view text;
};

// Sorted by id. Texts are exact, double blanks and trailing blanks included: the help boxes
// show them as they stand.
constexpr StringEntry kStrings[] = {
    {101, "About Orvane UPS KVR8 Tool"},
    {104,
     "The changes have been saved and\n"
     "will take effect immediately"},
    {107,
     "The output voltage displayed is the nominal output voltage. This is the nominal output "
     "setting not a measured value. \r\n"
     "\r\n"
     "Only available when UPS is off."},
    {108,
     "The UPS checks the input wiring at startup.\r\n"
     "If the input Line-Neutral is reversed or ground is missing, the UPS will not start. If a "
     "problem is detected after the UPS is started, the UPS will continue to operate, but the AC "
     "input LED will flash. In some unique applications the user may wish to disable this alarm."},
    {109,
     "The UPS is designed for 50 or 60 Hz operation. The factory default corresponds to the model. "
     "All models are capable of being used as 50Hz or 60 Hz systems. The UPS will auto-sense the "
     "utility frequency when first powered and set the nominal frequency to match.\r\n"
     "\r\n"
     "If the frequency goes out of tolerance then the UPS will transfer to battery. The factory "
     "default is to have bypass enabled.\r\n"
     "\r\n"
     "Only available when UPS is off."},
    {110,
     "The UPS is designed for 50 or 60 Hz operation. The factory default corresponds to the model. "
     "All models are capable of being used as 50Hz or 60 Hz systems. The UPS will auto-sense the "
     "utility frequency when first powered and set the nominal frequency to match.\r\n"
     "\r\n"
     "If the frequency goes out of tolerance then the UPS will transfer to battery. If you select "
     "to disable bypass, then UPS will not transfer to bypass and not support the load.\r\n"
     "\r\n"
     "Only available when UPS is off."},
    {111,
     "The UPS is designed for 50 or 60Hz operation. The factory default corresponds to the model. "
     "All models are capable of being used as 50 Hz or 60 Hz systems.\r\n"
     "\r\n"
     "Some special applications require that the UPS be used as a frequency converter. Frequency "
     "converter 50Hz mode will provide 50Hz UPS output from 60 Hz commercial power.\r\n"
     "\r\n"
     "Note:\r\n"
     "The frequency converter operation disables the Bypass.\r\n"
     "\r\n"
     "Only available when UPS is off."},
    {112,
     "The UPS is designed for 50 or 60Hz operation. The factory default corresponds to the model. "
     "All models are capable of being used as 50 Hz or 60 Hz systems.\r\n"
     "\r\n"
     "Some special applications require that the UPS be used as a frequency converter. Frequency "
     "converter 60Hz mode will provide 60Hz UPS output from 50 Hz commercial power.\r\n"
     "\r\n"
     "Note:\r\n"
     "The frequency converter operation disables the Bypass.\r\n"
     "\r\n"
     "Only available when UPS is off."},
    {113,
     "The audible alarm control enables or disables audible alarms such as on battery and low "
     "battery.\r\n"
     "\r\n"
     "To disable alarms remove the checkmark.\r\n"
     "\r\n"
     "Note:\r\n"
     "Disabling the audible alarm will not deactivate any alarm. This option will only silence the "
     "alarm."},
    {114,
     "For particular industrial applications and special computer applications, the UPS may be "
     "monitored and controlled using external voltages and relay contact signals.\r\n"
     "\r\n"
     "An Any Mode Shutdown command can be activated on the terminal block of the UPS by applying a "
     "jumper between pin 1 and pin 2.\r\n"
     "\r\n"
     "Disable output setting will require the UPS to be manually started by LCD, If the UPS is at "
     "a remote location with limited access then this setting should not be used."},
    {115,
     "For particular industrial applications and special computer applications, the UPS may be "
     "monitored and controlled using external voltages and relay contact signals.\r\n"
     "\r\n"
     "An Any Mode Shutdown command can be activated on the terminal block of the UPS by applying a "
     "jumper between pin 1 and pin 2.\r\n"
     "\r\n"
     "The Auto-Enable output setting will automatically restore UPS output after the jumper on the "
     "terminal block has been removed."},
    {116,
     "The shutdown logic can be configured for normally open or normally closed. This setting "
     "defines the configuration of the Any Mode Shutdown.\r\n"
     "\r\n"
     "To activate the Any Mode Shutdown Normally Open configuration, connect Pin 1&2 on the "
     "Communication Interface Port."},
    {117,
     "The shutdown logic can be configured for normally open or normally closed. This setting "
     "defines the configuration of the Any Mode Shutdown.\r\n"
     "\r\n"
     "To activate the Any Mode Shutdown in the Normally Closed configuration,  disconnect Pin 1&2 "
     "on the Communication Interface Port.   For normal UPS operation Pin 1&2 will need to be "
     "connected."},
    {118,
     "The UPS will estimate operating time for battery remaining runtime.  A low battery alarm is "
     "activated when the battery remaining reaches low battery warning time which can be change 2 "
     "to 30 minutes.\r\n"
     "\r\n"
     "The low battery warning notifies the user the estimated battery remaining runtime available "
     "before a UPS shutdown."},
    {119,
     "The auto battery test will perform automatic battery test periodically when enabled. The "
     "user may select the time between battery tests.\r\n"
     "\r\n"
     "The time period can be set to  8, 12, 16,20 and 26 weeks. The auto battery test time "
     "factory-default is 8 weeks."},
    {120,
     "The factory default setting for battery remaining runtime estimation is only for the "
     "internal batteries. If additional battery backup time is required then up to four external "
     "battery packs or four long runtime battery packs can be configure to extend the battery "
     "runtime.\r\n"
     "\r\n"
     "External battery cabinets must be physically connected to the UPS and configured using this "
     "configuration program in order for UPS to accurately estimate the battery runtime. "
     "Otherwise, the UPS will  not increase the battery runtime for the external battery "
     "cabinets."},
    {121,
     "The auto battery test will perform automatic battery test periodically when enabled. The "
     "user may select the time between battery tests the time periods can be set to  8, 12, 16,20 "
     "and 26 weeks. The auto battery test time factory default is 8 weeks.\r\n"
     "\r\n"
     "In some applications it may be preferable to disable the automated, periodic battery test. "
     "By deselecting the box the periodic battery test will be disabled."},
    {122,
     "If the input power is unavailable for an extended time, the UPS will shut down when "
     "batteries are depleted or remote shutdown signal has been generated.\r\n"
     "\r\n"
     "If auto restart is enabled (checkmark in the box), then the UPS will restart when input "
     "power has been restored.\r\n"
     "\r\n"
     "If the UPS turns off power to the load for any other reason, manual restart is required.\r\n"
     "\r\n"
     "To disable the auto restart, remove the checkmark."},
    {126,
     "If the UPS has reached the Low Battery warning level the UPS will continue to shutdown even "
     "if the Utility power returns.\r\n"
     "\r\n"
     "If Enable Auto Shutdown is checked, then the UPS will continue to shutdown even if the "
     "Utility power returns.\r\n"
     "\r\n"
     "If Enable Auto Shutdown is unchecked, then the UPS will return to Utility when the input "
     "power returns.\r\n"},
    {140,
     "For particular industrial applications and special computer applications, the UPS may be "
     "monitored and controlled using external voltages and relay contact signals.\r\n"
     "\r\n"
     "An Any Mode Shutdown command can be activated on the terminal block of the UPS by applying a "
     "jumper between pin 5 and pin 6.\r\n"
     "\r\n"
     "Disable output setting will require the UPS to be manually started by pressing the Start "
     "button on front panel of the UPS. If the UPS is at a remote location with limited access "
     "then this setting should not be used."},
    {141,
     "For particular industrial applications and special computer applications, the UPS may be "
     "monitored and controlled using external voltages and relay contact signals.\r\n"
     "\r\n"
     "An Any Mode Shutdown command can be activated on the terminal block of the UPS by applying a "
     "jumper between pin 5 and pin 6.\r\n"
     "\r\n"
     "The Auto-Enable output setting will automatically restore UPS output after the jumper on the "
     "terminal block has been removed."},
    {142,
     "The shutdown logic can be configured for normally open or normally closed. This setting "
     "defines the configuration of the Any Mode Shutdown.\r\n"
     "\r\n"
     "To activate the Any Mode Shutdown Normally Open configuration, connect Pin 5&6 on the "
     "Communication Interface Port."},
    {143,
     "The shutdown logic can be configured for normally open or normally closed. This setting "
     "defines the configuration of the Any Mode Shutdown.\r\n"
     "\r\n"
     "To activate the Any Mode Shutdown in the Normally Closed configuration,  disconnect Pin 5&6 "
     "on the Communication Interface Port.   For normal UPS operation Pin 5&6 will need to be "
     "connected."},
    {170,
     "The UPS is designed to allow Parallel load sharing in a N+1 configuration. When a "
     "configuration is selected that enables Parallel load sharing the UPS will designate each UPS "
     "with a unique identifier to distinguish which UPS it is in the system. \r\n"
     "\r\n"
     "Only available when UPS is off."},
    {171,
     "The UPS is designed to allow Parallel load sharing in a N+1 configuration. When a "
     "configuration is selected that enables Parallel load sharing the UPS will designate each UPS "
     "with a unique identifier to distinguish which UPS it is in the system.\r\n"
     "\r\n"
     "Only available when UPS is off."},
    {180,
     "If bypass is enabled and this check box is selected, at the start up process UPS will output "
     "through bypass if bypass is qualified, when start up complete the output will transfer to "
     "inverter."},
    {192, "Outlet turn on delay during UPS start-up and reboot."},
    {193, "Turn off outlet during overload when UPS goes to battery mode."},
    {194, "Turn off outlet when UPS goes to battery mode for user-configurable time."},
    {195, "Whether or not to turn on the outlet when UPS returns to utility mode."},
    {196, "Outlet turn on delay when UPS returns to utility mode."},
    {197, "Turn off outlet when battery remaining runtime is less than user-configurable minutes."},
    {198, "Whether or not to turn on the outlet when UPS returns to utility mode."},
    {199, "Outlet turn on delay when UPS returns to utility mode."},
    {200, "Turn off outlet when battery capacity is less than user-configurable percentage."},
    {201, "Whether or not to turn on the outlet when UPS returns to utility mode."},
    {202, "Outlet turn on delay when UPS returns to utility mode."},
    {204,
     "ECO mode\r\n"
     "ECO mode will put UPS off inverter but continue to monitor incoming power. This can increase "
     "UPS efficiency. During Green mode, UPS will switch to inverter mode If incoming power is out "
     "of input window. ECO model can be set to off (default)and on. "},
    {205,
     "Turn on outlet immediately.\r\n"
     "Only available when outlet is off."},
    {206,
     "Turn off outlet immediately. Outlet will remain off until user manually turn on the "
     "outlet.\r\n"
     "Only available when outlet is on."},
    {207,
     "Turn off and then turn on outlet immediately.\r\n"
     "Only available when outlet is on."},
};

constexpr bool IsSortedById() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i) {
        if (kStrings[i - 1].id >= kStrings[i].id) return false;
    }
    return true;
}
static_assert(IsSortedById(), "string table must be sorted by id, without duplicates");

}  // namespace

std::string_view LoadString(int id) {
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const StringEntry& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id) return {};
    return it->text;
}

}  // namespace upsconfig
