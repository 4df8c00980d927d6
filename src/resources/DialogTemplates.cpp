#include "resources/DialogTemplate.h"

#include <iterator>

namespace upsconfig {

namespace {

using K = ControlKind;
using namespace Style;

// ---- 100: About box ------------------------------------------------------------------------

constexpr ControlTemplate kAbout[] = {
    {kNoId, K::Icon, "", {20, 9, 0, 0}, None, {}, 4},
    {kNoId, K::Static, "Version 1.3", {22, 32, 39, 8}},
    {kNoId, K::Static, "UPS configuration tool", {23, 46, 153, 8}},
    {1, K::PushButton, "OK", {178, 7, 50, 14}, GroupStart | DefaultButton},
};

// ---- 102: main window ----------------------------------------------------------------------

constexpr ControlTemplate kMain[] = {
    {1000, K::TabControl, "", {82, 5, 301, 258}},
    {1011, K::PushButton, "Refresh", {86, 275, 38, 14}},
    {1013, K::PushButton, "Exit", {166, 275, 38, 14}},
    {1014, K::PushButton, "Apply", {246, 275, 38, 14}},
    {1015, K::PushButton, "Factory Setting", {316, 275, 59, 14}},
    {1012, K::PushButton, "Upload language", {9, 138, 64, 16}},
    {1016, K::PushButton, "Download", {7, 220, 64, 14}},
    {1018, K::PushButton, "Upload", {7, 250, 64, 13}},
    {kNoId, K::Static, "UPS Setting File", {14, 196, 53, 10}},
    {kNoId, K::Bitmap, "", {5, 14, 70, 35}, None, {}, 148},
};

// ---- 160: communication error --------------------------------------------------------------

// Items 1 and 3 end in a blank and item 3 has two blanks before "or": kept as they stand.
constexpr ControlTemplate kCommError[] = {
    {kNoId, K::Icon, "", {14, 17, 0, 0}, None, {}, 157},
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
    {1011, K::PushButton, "Retry", {60, 137, 50, 14}},
    {1012, K::PushButton, "Ignore", {121, 137, 50, 14}},
    {1013, K::PushButton, "Cancel", {183, 137, 50, 14}},
};

// @@PAGES@@

constexpr DialogTemplate kTemplates[] = {
    {100, "About", 235, 71, "Arial", 8, false, kAbout},
    {102, "Orvane UPS KVR8 Tool  V1.3 Version", 409, 310, "Arial", 8, false, kMain},
    // @@PAGEROWS@@
    {160, "Communication Error", 272, 165, "Arial", 8, false, kCommError},
};

constexpr int kTemplateIds[] = {100, 102, 160};

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
