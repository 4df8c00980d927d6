#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace upsconfig {

// The output-voltage family a model belongs to; it decides the voltage list on the UPS page.
enum class VoltageGroup { None, V120, V230, HighPower230, SplitPhase, V208 };

// Everything that differs between models, decided from the one-byte model code alone.
// Constant data; every lookup accepts any code 0 to 255 (and anything else): codes without a
// row have an empty name, no group and none of the optional tabs.
struct ModelTable {
    static std::string_view ModelName(int modelCode);
    static VoltageGroup GroupOf(int modelCode);

    // The group's list items in order (position 0 first); empty for VoltageGroup::None.
    static std::span<const std::string_view> Items(VoltageGroup group);
    // List position of a bOutputLevel value; nullopt when the group has no such item.
    static std::optional<int> PositionOfCode(VoltageGroup group, int voltageCode);
    // bOutputLevel value of a list position; nullopt for positions the group lacks (-1 included).
    static std::optional<int> CodeOfPosition(VoltageGroup group, int position);
    static std::optional<int> FactoryDefaultPosition(VoltageGroup group);

    static bool ShowsReverseDetection(int modelCode);
    static bool HidesStartupOnBypass(int modelCode);
    static bool HasOutletTabs(int modelCode);
    static bool HasParallelTab(int modelCode);
    static bool DryContactUsesPins5And6(int modelCode);
    // The report writer sends the outlet reports and the summary only to model codes 1 to 53;
    // a unit of any other code takes report 0x32 alone.
    static bool TakesEveryReport(int modelCode);
};

}  // namespace upsconfig
