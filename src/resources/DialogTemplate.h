#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace upsconfig {

// Dialog templates are data: one row per control, in template order (which is also the tab
// order), rectangles in dialog units. The builder in framework/ turns them into widgets.

enum class ControlKind {
    Static,        // text label
    Edit,          // single-line edit, or multi-line with Style::MultiLine
    DropDownList,  // drop-down list without edit field; rect height = height of the opened list
    CheckBox,
    RadioButton,
    PushButton,
    GroupBox,
    Icon,    // icon resource `resource`; rect width/height may be 0 (natural size)
    Bitmap,  // bitmap resource `resource`
    TabControl,
};

// Styles that matter to the behaviour or the look; combine with |.
namespace Style {
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Hidden = 1u << 0;
inline constexpr std::uint32_t Disabled = 1u << 1;
inline constexpr std::uint32_t ReadOnly = 1u << 2;
inline constexpr std::uint32_t MultiLine = 1u << 3;   // edits; also multi-line button text
inline constexpr std::uint32_t GroupStart = 1u << 4;  // starts a radio-button group
inline constexpr std::uint32_t NoTabStop = 1u << 5;
inline constexpr std::uint32_t Border = 1u << 6;
inline constexpr std::uint32_t VScroll = 1u << 7;
inline constexpr std::uint32_t AutoHScroll = 1u << 8;
inline constexpr std::uint32_t RightAlign = 1u << 9;
inline constexpr std::uint32_t Center = 1u << 10;  // centred text / group-box caption
inline constexpr std::uint32_t NoWordWrap = 1u << 11;
inline constexpr std::uint32_t TopAlign = 1u << 12;  // button text aligned to the top
inline constexpr std::uint32_t KeepSelection = 1u << 13;
inline constexpr std::uint32_t NoBorder = 1u << 14;  // edits that have no border
inline constexpr std::uint32_t DefaultButton = 1u << 15;
}  // namespace Style

struct DluRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

inline constexpr int kNoId = -1;

struct ControlTemplate {
    int id = kNoId;  // numeric control id, kNoId for labels and frames without one
    ControlKind kind = ControlKind::Static;
    std::string_view text;  // exact text; empty for none
    DluRect rect;
    std::uint32_t style = Style::None;
    std::span<const std::string_view> items = {};  // items of a drop-down list, in order
    int resource = 0;                              // icon or bitmap resource id
};

struct DialogTemplate {
    int id = 0;
    std::string_view caption;  // empty for child pages
    int width = 0;             // dialog units
    int height = 0;
    std::string_view fontFamily = "Arial";
    int fontPointSize = 8;
    bool child = true;  // child page without caption (false: top-level dialog)
    std::span<const ControlTemplate> controls;
    // Where a right-hand column of controls starts (dialog units): the keyboard reads the left
    // column first. 0 for a single column.
    int columnX = 0;
};

// Every template of the program: 100, 102, 129, 130, 131, 132, 160, 165, 167, 169, 174.
const DialogTemplate& Template(int id);
std::span<const int> TemplateIds();

}  // namespace upsconfig
