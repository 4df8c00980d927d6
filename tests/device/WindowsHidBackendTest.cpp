#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "device/WindowsHidBackend.h"

namespace upsconfig {
namespace {

TEST(WindowsHidBackendTest, ReplyCountsOnlyWhenItCarriesTheReportIdAskedFor) {
    struct Row {
        const char* name;
        std::array<std::uint8_t, 5> reply;
        unsigned long returned;
        int count;
        std::string why;
    };
    const Row rows[] = {
        {"whole report", {0x31, 1, 2, 3, 4}, 5, 5, ""},
        {"short reply: its count, for the link to refuse", {0x31, 1, 2, 3, 4}, 4, 4, ""},
        {"nothing came", {0x31, 0, 0, 0, 0}, 0, 0, ""},
        {"count past the buffer", {0x31, 1, 2, 3, 4}, 9, 5, ""},
        {"the unit left the id out",
         {0x01, 2, 3, 4, 4},
         5,
         -1,
         "the reply to report 0x31 carries report id 0x01"},
    };
    for (const Row& row : rows) {
        std::string why;
        EXPECT_EQ(WindowsHidBackend::CheckFeatureReply(0x31, row.reply, row.returned, why),
                  row.count)
            << row.name;
        EXPECT_EQ(why, row.why) << row.name;
    }
}

TEST(WindowsHidBackendTest, IdsComeFromAPathOnlyWhenItSpellsBoth) {
    struct Row {
        std::string_view path;
        std::uint16_t vendorId, productId;  // 0xAAAA: left alone
    };
    const Row rows[] = {
        {R"(\\?\HID#VID_1209&PID_00A0&MI_00#7&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
         0x1209, 0x00A0},
        {R"(\\?\hid#vid_beef&pid_0001#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030})", 0xBEEF,
         0x0001},
        {R"(\\?\hid#vid_12&pid_0001#0)", 0xAAAA, 0xAAAA},
        {R"(\\?\hid#vid_1209&pid_00)", 0xAAAA, 0xAAAA},
        {R"(\\?\root#system#0000#{4d1e55b2-f16f-11cf-88cb-001111000030})", 0xAAAA, 0xAAAA},
    };
    for (const Row& row : rows) {
        HidInterface entry;
        entry.vendorId = entry.productId = 0xAAAA;
        WindowsHidBackend::IdsFromPath(row.path, entry);
        EXPECT_EQ(entry.vendorId, row.vendorId) << row.path;
        EXPECT_EQ(entry.productId, row.productId) << row.path;
    }
}

TEST(WindowsHidBackendTest, APathThatIsNotThereFailsInTheSystemsWordsAndLeavesNothingOpen) {
    WindowsHidBackend backend;
    EXPECT_FALSE(backend.Open(
        R"(\\?\hid#vid_1209&pid_0000#9&99&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})"));
    const OpenFailure failure = backend.LastOpenFailure();
    EXPECT_EQ(failure.kind, OpenFailure::Kind::Gone) << failure.text;
    EXPECT_NE(failure.error, 0);
    EXPECT_NE(failure.text.find("(Windows error "), std::string::npos) << failure.text;

    std::array<std::uint8_t, 5> frame{0x31};
    EXPECT_EQ(backend.GetFeatureReport(frame), -1);
    EXPECT_FALSE(backend.SetFeatureReport(frame));
    EXPECT_FALSE(backend.FeatureReportLength().has_value());
}

// Whatever HID devices the system has (Wine lists a virtual keyboard and mouse): each one
// listed opens and gives its capabilities through the same calls a unit is reached by, and one
// without feature reports refuses a feature read with the system's reason.
TEST(WindowsHidBackendTest, EveryListedInterfaceOpensAndTellsItsFeatureLength) {
    WindowsHidBackend backend;
    for (const HidInterface& listed : backend.Enumerate()) {
        SCOPED_TRACE(listed.path);
        ASSERT_TRUE(backend.Open(listed.path)) << backend.LastOpenFailure().text;
        const auto length = backend.FeatureReportLength();
        ASSERT_TRUE(length.has_value()) << backend.LastError();
        if (*length == 0) {
            std::array<std::uint8_t, 8> frame{0x31};
            EXPECT_EQ(backend.GetFeatureReport(frame), -1);
            EXPECT_NE(backend.LastError().find("(Windows error "), std::string::npos);
        }
        backend.Close();
    }
}

}  // namespace
}  // namespace upsconfig
